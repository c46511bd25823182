# Copies the support files that exist from SRC to DST (used at each build
# of the program, so that it always finds its support files beside it).
file(MAKE_DIRECTORY "${DST}")
foreach(f config definits drmstyle colours fontmap fontexpt entities unierr revent translat)
  if(EXISTS "${SRC}/${f}")
    file(COPY_FILE "${SRC}/${f}" "${DST}/${f}" ONLY_IF_DIFFERENT)
  endif()
endforeach()
