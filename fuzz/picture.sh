#!/usr/bin/env bash
# One libFuzzer campaign of a picture reader (fuzz/picture_fuzz.cpp):
#
#   fuzz/picture.sh SURFACE SECONDS     SURFACE: png, header, datauri, srcset, codecs
#
# Seeds in fuzz/seeds/SURFACE (codecs: fuzz/seeds/picture-codecs, the
# pictures of every format, run through every decoder and the
# transcode); the campaign lives in
# /tmp/quillet-fuzz/picture-SURFACE (corpus/ and findings).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
surface=${1:?surface}
seconds=${2:?seconds}
case $surface in
  png) n=1 seeds=png ;;
  header) n=2 seeds=header ;;
  datauri) n=3 seeds=datauri ;;
  srcset) n=4 seeds=srcset ;;
  codecs) n=5 seeds=picture-codecs ;;
  *) echo "unknown surface $surface" >&2; exit 2 ;;
esac
camp=/tmp/quillet-fuzz/picture-$surface
mkdir -p "$camp/corpus" "$camp/findings"
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -DQUILLET_FUZZ_SURFACE=$n -DQUILLET_HAVE_PNG=1 -DQUILLET_HAVE_GIF=1 -DQUILLET_HAVE_JPEG=1 -DQUILLET_HAVE_WEBP=1 \
  -I "$top/src" "$top/fuzz/picture_fuzz.cpp" \
  "$top/src/pictures/picturedecode.cpp" "$top/src/pictures/pictureheader.cpp" \
  "$top/src/pictures/picturename.cpp" "$top/src/pictures/pictureconvert.cpp" \
  "$top/src/pictures/picturejpeg.cpp" "$top/src/pictures/picturegif.cpp" "$top/src/pictures/picturetranscode.cpp" \
  -lpng -lgif -ljpeg -lwebpdemux -lwebp -o "$camp/picture_fuzz"
cd "$camp"
./picture_fuzz -max_total_time="$seconds" -artifact_prefix=findings/ corpus "$top/fuzz/seeds/$seeds" \
  >"$camp/fuzz.log" 2>&1 || true
tail -3 "$camp/fuzz.log"
ls "$camp/findings"
