#!/bin/sh
# Runs one recorded session: copies the case's input files (in/, and the
# files of the shipped examples/ that the case's "examples" file names, one
# a line) into a fresh folder, feeds answers.txt to the program on standard
# input, and compares the console transcript (expected/console.txt) and every
# other file in expected/ with what the run left behind. With UPDATE=1 it
# rewrites the expected files from the run instead.
#   run_session.sh <program> <case folder>
set -eu
program=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -d "$case_dir/in" ]; then cp -R "$case_dir/in/." "$work/"; fi
if [ -f "$case_dir/examples" ]; then
  examples=$(cd "$(dirname "$0")/../../examples" && pwd)
  while read -r name; do
    if [ -n "$name" ]; then cp "$examples/$name" "$work/"; fi
  done < "$case_dir/examples"
fi
answers=/dev/null
if [ -f "$case_dir/answers.txt" ]; then answers="$case_dir/answers.txt"; fi
cd "$work"
# The recordings hold one date stamp and the bytes of the C locale, whatever
# the calling environment sets (package builds set SOURCE_DATE_EPOCH); a case
# may name another locale in a file "locale".
locale=C
if [ -f "$case_dir/locale" ]; then locale=$(cat "$case_dir/locale"); fi
SOURCE_DATE_EPOCH=1796392800 TZ=UTC LC_ALL=$locale LANG=$locale \
  timeout 120 "$program" < "$answers" > "$work/.console" 2>&1 || {
  echo "program failed or timed out (exit $?)"; cat "$work/.console"; exit 1; }
if [ "${UPDATE:-0}" = 1 ]; then
  mkdir -p "$case_dir/expected"
  cp "$work/.console" "$case_dir/expected/console.txt"
  for f in "$case_dir"/expected/*; do
    name=$(basename "$f")
    [ "$name" = console.txt ] && continue
    if [ -f "$work/$name" ]; then cp "$work/$name" "$f"; fi
  done
  echo "updated $case_dir"
  exit 0
fi
status=0
for f in "$case_dir"/expected/*; do
  name=$(basename "$f")
  if [ "$name" = console.txt ]; then got="$work/.console"; else got="$work/$name"; fi
  if [ ! -f "$got" ]; then
    echo "missing output file: $name"; status=1; continue
  fi
  if ! cmp -s "$f" "$got"; then
    echo "differs: $name"; diff "$f" "$got" | head -40 || true; status=1
  fi
done
if [ -f "$case_dir/absent" ]; then
  while read -r name; do
    if [ -n "$name" ] && [ -e "$work/$name" ]; then echo "unexpected file: $name"; status=1; fi
  done < "$case_dir/absent"
fi
exit $status
