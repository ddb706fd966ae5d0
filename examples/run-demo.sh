#!/bin/sh
# Runs the shipped example: the calculator on examples/, then the drawing
# program when it is there. Results go to demo-run/.
#   run-demo.sh [build folder]
set -eu
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/demo-run"
rm -rf "$out/calc"
mkdir -p "$out/calc"
for f in pf-prefs.txt pf-demo.txt pf-ds6demo.txt pf-demoax.txt; do
  if [ -f "$top/examples/$f" ]; then cp "$top/examples/$f" "$out/calc/"; fi
done
echo "== PHASEFORGE on examples/ (answers from examples/demo-answers.txt)"
(cd "$out/calc" && "$build/bin/phaseforge" < "$top/examples/demo-answers.txt")
echo
echo "== calculator results in $out/calc:"
ls -1 "$out/calc" | sed 's/^/   /'
echo "   (the conversation is in pf-log.txt, the results in pf-demo-o.txt;"
echo "    the calculations themselves arrive in later versions)"
if [ -f "$top/examples/plot-demo.sh" ] && [ -x "$build/bin/plotix" ]; then
  echo
  sh "$top/examples/plot-demo.sh" "$build"
fi
