#!/usr/bin/env bash
# One libFuzzer campaign of a picture reader (fuzz/picture_fuzz.cpp):
#
#   fuzz/picture.sh SURFACE SECONDS     SURFACE: png, header, datauri, srcset
#
# Seeds in fuzz/seeds/SURFACE; the campaign lives in
# /tmp/quillet-fuzz/picture-SURFACE (corpus/ and findings).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
surface=${1:?surface}
seconds=${2:?seconds}
case $surface in
  png) n=1 libs=-lpng ;;
  header) n=2 libs= ;;
  datauri) n=3 libs= ;;
  srcset) n=4 libs= ;;
  *) echo "unknown surface $surface" >&2; exit 2 ;;
esac
camp=/tmp/quillet-fuzz/picture-$surface
mkdir -p "$camp/corpus" "$camp/findings"
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -DQUILLET_FUZZ_SURFACE=$n -DQUILLET_HAVE_PNG=1 -I "$top/src" "$top/fuzz/picture_fuzz.cpp" \
  "$top/src/pictures/picturedecode.cpp" "$top/src/pictures/pictureheader.cpp" \
  "$top/src/pictures/picturename.cpp" "$top/src/pictures/pictureconvert.cpp" $libs -lpng -o "$camp/picture_fuzz"
cd "$camp"
./picture_fuzz -max_total_time="$seconds" -artifact_prefix=findings/ corpus "$top/fuzz/seeds/$surface" \
  >"$camp/fuzz.log" 2>&1 || true
tail -3 "$camp/fuzz.log"
ls "$camp/findings"
