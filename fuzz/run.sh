#!/usr/bin/env bash
# One fuzzing campaign of the real program on one input surface.
#
#   fuzz/run.sh SURFACE SECONDS
#
# SURFACE: page, translat-page, translat, script, drmign, config, definits,
# drmstyle, colours, fontmap, fontexpt, entities, picture, tohtml (a DDL file
# shown as an HTML page).
# The campaign lives in /tmp/quillet-fuzz/SURFACE (work/ the program folder,
# out/ AFL's findings); crashes and hangs found are listed at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
surface=${1:?surface}
seconds=${2:?seconds}
[ -x "$top/build-afl/quillet" ] || "$top/fuzz/build.sh"

camp=/tmp/quillet-fuzz/$surface
rm -rf "$camp/work" "$camp/in"
mkdir -p "$camp/work" "$camp/in" "$camp/out"
work=$camp/work
cp "$top"/build-afl/quillet "$work/"
cp "$top"/support/* "$work/"
cp "$top"/fuzz/seeds/rich.htm "$work/page.htm"
cp "$top"/examples/play.htm "$work/script.htm"
cp "$top"/fuzz/seeds/pictures.htm "$work/pictures.htm"
cp "$top"/fuzz/seeds/pic.gif "$top"/fuzz/seeds/pic.jpg "$work/"
cp "$top"/fuzz/seeds/translat "$work/translat.rules"

# The output goes to /dev/null: a run the fuzzer kills leaves no temporary
# output file behind, and no disk is written.
dict=html
target=(./quillet @@ /dev/null)
file=""
seeds=()
case "$surface" in
  page) seeds=("$top"/examples/*.htm "$top"/fuzz/seeds/*.htm) ;;
  translat-page) cp "$work/translat.rules" "$work/translat"; seeds=("$top"/examples/*.htm "$top"/fuzz/seeds/*.htm) ;;
  translat) file=translat; dict=translat; target=(./quillet page.htm /dev/null); seeds=("$top"/fuzz/seeds/translat) ;;
  script) dict=dramaton; seeds=("$top"/examples/play.htm "$top"/tests/regress/script/*.htm) ;;
  drmign) file=drmign; dict=dramaton; target=(./quillet script.htm /dev/null); seeds=("$top"/fuzz/seeds/drmign) ;;
  config|definits|colours|fontmap|fontexpt|entities)
    file=$surface; target=(./quillet page.htm /dev/null); seeds=("$top/support/$surface") ;;
  drmstyle) file=drmstyle; target=(./quillet script.htm /dev/null); seeds=("$top/support/drmstyle") ;;
  picture) file=pic.jpg; target=(./quillet pictures.htm /dev/null); seeds=("$top"/fuzz/seeds/pic.jpg "$top"/fuzz/seeds/pic.gif) ;;
  tohtml) dict=ddl; target=(./quillet -tohtml @@ /dev/null); seeds=("$top"/fuzz/seeds/ddl/*.ddl) ;;
  *) echo "unknown surface $surface" >&2; exit 2 ;;
esac
for s in "${seeds[@]}"; do [ -f "$s" ] && cp "$s" "$camp/in/"; done

export AFL_SKIP_CPUFREQ=1 AFL_NO_UI=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 AFL_NO_AFFINITY=1
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1
resume=()
[ -d "$camp/out/default/queue" ] && resume=(-i -) || resume=(-i "$camp/in")
args=(-V "$seconds" -m none -t 2000 -o "$camp/out" -x "$top/fuzz/dict/$dict.dict")
[ -n "$file" ] && args+=(-f "$work/$file")
cd "$work"
afl-fuzz "${resume[@]}" "${args[@]}" -- "${target[@]}" >"$camp/afl.log" 2>&1 || true
stats=$camp/out/default/fuzzer_stats
if [ -f "$stats" ]; then
  grep -E '^(execs_done|run_time|saved_crashes|saved_hangs|corpus_count)' "$stats"
fi
ls "$camp/out/default/crashes" "$camp/out/default/hangs" 2>/dev/null | grep -v README || true
