#!/usr/bin/env bash
# One libFuzzer campaign of the CSS reader (fuzz/css_fuzz.cpp; seeds in
# fuzz/seeds/css).
#
#   fuzz/css.sh SECONDS
#
# The campaign lives in /tmp/quillet-fuzz/css (corpus/ and findings).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?seconds}
camp=/tmp/quillet-fuzz/css
mkdir -p "$camp/corpus" "$camp/findings"
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I "$top/src" \
  "$top/fuzz/css_fuzz.cpp" "$top"/src/css/*.cpp -o "$camp/css_fuzz"
cd "$camp"
./css_fuzz -max_total_time="$seconds" -artifact_prefix=findings/ corpus "$top/fuzz/seeds/css" >"$camp/fuzz.log" 2>&1 || true
tail -3 "$camp/fuzz.log"
ls "$camp/findings"
