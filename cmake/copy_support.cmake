# Copies the support files that exist from SRC to DST (used after each build,
# so that the program always finds its support files beside it).
foreach(f config definits drmstyle colours fontmap fontexpt entities unierr revent translat)
  if(EXISTS "${SRC}/${f}")
    file(COPY_FILE "${SRC}/${f}" "${DST}/${f}" ONLY_IF_DIFFERENT)
  endif()
endforeach()
