#!/bin/sh
# Runs the shipped example: the calculator on examples/ (a pressure-temperature
# grid of reactions, pf-demo.txt), plotix on the grid it writes, the phase
# diagram of demo run (a) with solid solutions drawn by plotix, and plotix on
# the hand-finished drawing px-demo.txt. Results go to demo-run/.
#   run-demo.sh [build folder]
set -eu
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/demo-run"
rm -rf "$out/calc" "$out/grid"
mkdir -p "$out/calc" "$out/grid"
for f in pf-prefs.txt pf-demo.txt pf-ds6demo.txt pf-demoax.txt; do
  cp "$top/examples/$f" "$out/calc/"
done
echo "== PHASEFORGE on examples/ (answers from examples/demo-answers.txt)"
(cd "$out/calc" && "$build/bin/phaseforge" < "$top/examples/demo-answers.txt")
echo
echo "== calculator results in $out/calc:"
ls -1 "$out/calc" | sed 's/^/   /'
echo "   (the conversation is in pf-log.txt, the results in pf-demo-o.txt,"
echo "    the grid for plotix in pf-demo-px.txt)"
if [ -x "$build/bin/plotix" ]; then
  echo
  echo "== plotix on the calculated grid"
  cp "$out/calc/pf-demo-px.txt" "$out/grid/px-grid.txt"
  (cd "$out/grid" && printf 'grid\n' | "$build/bin/plotix")
  echo
  if [ -f "$out/grid/px-grid.eps" ]; then
    echo "plotix grid: the diagram is in $out/grid/px-grid.eps"
  else
    echo "plotix grid: no diagram was written; see $out/grid/px-log.txt" >&2
    exit 1
  fi
fi
# the phase-diagram demo: run (a), olivine + orthopyroxene + quartz isopleths,
# with drawnames, so that its drawing output is drawn by plotix as it is
diagram="$out/diagram"
rm -rf "$diagram"
mkdir -p "$diagram"
for f in pf-ds6demo.txt pf-demoax.txt pf-isopleths.txt; do cp "$top/examples/$f" "$diagram/"; done
cp "$top/examples/diagram-prefs.txt" "$diagram/pf-prefs.txt"
echo
echo "== PHASEFORGE phase diagram (demo run (a): examples/pf-isopleths.txt)"
(cd "$diagram" && "$build/bin/phaseforge" < "$top/examples/diagram-answers.txt")
if [ -x "$build/bin/plotix" ]; then
  (cd "$diagram" && cp pf-isopleths-px.txt px-isopleths.txt &&
    printf 'isopleths\n' | "$build/bin/plotix" > /dev/null)
  if [ -f "$diagram/px-isopleths.eps" ]; then
    echo "== the calculated diagram, drawn by plotix: $diagram/px-isopleths.eps"
  else
    echo "plotix drew no diagram from the calculation; see $diagram/px-log.txt" >&2
    exit 1
  fi
  echo
  sh "$top/examples/plot-demo.sh" "$build"
fi
