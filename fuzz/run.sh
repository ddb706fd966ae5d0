#!/bin/sh
# Runs every fuzz target (or those named) for FUZZ_SECONDS each, one after
# another, on a scratch copy of the seed corpus with the target's dictionary.
# A crash, sanitizer report, leak, internal fault or timeout stops the run
# with status 1; the input that caused it is kept in BUILD/findings/.
#   run.sh BUILD [target ...]
set -u
build=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
python3 "$root/fuzz/make_corpus.py" "$scratch/corpus" >/dev/null || exit 1
mkdir -p "$build/findings"
targets=$*
if [ -z "$targets" ]; then
  targets=$(cd "$build/fuzz" && ls | sed -n 's/^fuzz_//p')
fi
# A short quarantine and no fill of new blocks: a use after free is still
# caught within the last 16 MB freed, and a whole run gets twice as fast.
ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:max_malloc_fill_size=0}
export ASAN_OPTIONS
status=0
for target in $targets; do
  program=$build/fuzz/fuzz_$target
  corpus=$scratch/corpus/$target
  mkdir -p "$corpus"
  dict=
  if [ -f "$root/fuzz/$target.dict" ]; then dict=-dict=$root/fuzz/$target.dict; fi
  # A whole calculator run lasts from a tenth of a millisecond (an answer
  # refused at the menu) to a tenth of a second (a grid of reaction lines):
  # the fuzzer gives the inputs that run fast more of its mutations.
  pace=
  case $target in calculator_*) pace=-entropic_scale_per_exec_time=1 ;; esac
  echo "== $target: $seconds s"
  "$program" "$corpus" $dict -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 $pace ${FUZZ_FLAGS:-} -artifact_prefix="$build/findings/$target-" \
    >"$scratch/$target.log" 2>&1
  result=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)|^Done|DONE' "$scratch/$target.log"
  if [ $result -ne 0 ]; then
    echo "== $target: finding (exit $result); the input is in $build/findings/"
    grep -E 'ERROR|internal fault|BOMBED|^SUMMARY|Test unit written' "$scratch/$target.log" | head -20
    cp "$scratch/$target.log" "$build/findings/$target.log"
    status=1
  fi
done
exit $status
