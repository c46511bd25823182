#!/usr/bin/env bash
# One libFuzzer campaign of the character set reader (fuzz/charset_fuzz.cpp,
# seeds in fuzz/seeds/charset: the first byte of each picks the set, the
# script context and the piece size).
#
#   fuzz/charset.sh SECONDS
#
# The campaign lives in /tmp/quillet-fuzz/charset (corpus/ and findings).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?seconds}
camp=/tmp/quillet-fuzz/charset
mkdir -p "$camp/corpus" "$camp/findings"
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -DQUILLET_VERSION='"fuzz"' -I "$top/src" "$top/fuzz/charset_fuzz.cpp" "$top/src/base/charset.cpp" \
  "$top/src/base/hostfallback.cpp" "$top/src/base/messages.cpp" "$top/src/base/platform.cpp" \
  "$top/src/base/failinject.cpp" -o "$camp/charset_fuzz"
cd "$camp"
./charset_fuzz -max_total_time="$seconds" -artifact_prefix=findings/ -dict="$top/fuzz/dict/html.dict" \
  corpus "$top/fuzz/seeds/charset" >"$camp/fuzz.log" 2>&1 || true
tail -3 "$camp/fuzz.log"
ls "$camp/findings"
