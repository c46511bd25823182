#!/usr/bin/env bash
# One libFuzzer campaign of the tag reader and the attribute reader
# (fuzz/markup_fuzz.cpp; seeds in fuzz/seeds/markup: quoted values holding
# ">", long tags and values, JSON in attributes, raw-text elements).
#
#   fuzz/markup.sh SECONDS
#
# The campaign lives in /tmp/quillet-fuzz/markup (corpus/ and findings).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?seconds}
camp=/tmp/quillet-fuzz/markup
mkdir -p "$camp/corpus" "$camp/findings"
# Every source but the program's main.
sources=$(find "$top/src" -name '*.cpp' ! -path '*/app/main.cpp')
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -DQUILLET_VERSION='"fuzz"' -I "$top/src" "$top/fuzz/markup_fuzz.cpp" $sources -lpng -o "$camp/markup_fuzz"
cd "$camp"
./markup_fuzz -max_total_time="$seconds" -artifact_prefix=findings/ -dict="$top/fuzz/dict/html.dict" \
  corpus "$top/fuzz/seeds/markup" >"$camp/fuzz.log" 2>&1 || true
tail -3 "$camp/fuzz.log"
ls "$camp/findings"
