#!/usr/bin/env bash
# The picture of the libraries in the README, made from CMake's own view of
# the build: `cmake --graphviz` over the configured tree, kept to the program
# and its gt_* libraries, drawn with Graphviz.
#   tools/library-graph.sh          rewrites docs/libraries.dot and docs/libraries.svg
#                                   (drawing needs Graphviz's dot)
#   tools/library-graph.sh --check  fails when docs/libraries.dot no longer
#                                   matches the build (needs cmake only)
# BUILD=dir names the configured build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# CMake reads its graph options from the build folder.
cat >"$build/CMakeGraphVizOptions.cmake" <<'OPTS'
set(GRAPHVIZ_GRAPH_NAME "geraetetester")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_CUSTOM_TARGETS FALSE)
# Only the program and its libraries: no tests, benchmarks, tools or simulator.
set(GRAPHVIZ_IGNORE_TARGETS "^test_" "_bench$" "^bench_" "^fuzz_" "^gt_testsupport$" "^gt_sim" "^tester-sim$"
    "^gt-" "^barcode-render$" "^key-writer$" "^backup-helper$" "^gt_app$" "^Qt6::" "^GTest::")
OPTS
cmake --graphviz="$work/full.dot" "$build" >/dev/null
# Without the legend and CMake's running node numbers, so the file only
# changes when a dependency does; nodes are named after their targets.
awk '
  /subgraph clusterLegend/ { skip = 1 }
  skip { if ($0 ~ /^}/) skip = 0; next }
  /^ *"node[0-9]+" \[ label/ {
    match($0, /"node[0-9]+"/); id = substr($0, RSTART, RLENGTH)
    match($0, /label = "[^"]*"/); name[id] = substr($0, RSTART + 9, RLENGTH - 10)
    shape = ($0 ~ /egg/) ? "box" : "ellipse"
    nodes[++n] = sprintf("  \"%s\" [shape = %s];", name[id], shape); next
  }
  /->/ {
    split($0, p, " -> "); a = p[1]; gsub(/[ "]/, "", a); b = p[2]; sub(/ .*/, "", b); gsub(/"/, "", b)
    style = ($0 ~ /dashed/) ? " [style = dashed]" : ""
    edges[++m] = sprintf("  \"%s\" -> \"%s\"%s;", name["\"" a "\""], name["\"" b "\""], style); next
  }
  END {
    print "digraph \"geraetetester\" {"
    print "  rankdir = BT;"
    print "  node [fontname = \"Helvetica\", fontsize = 11];"
    for (i = 1; i <= n; i++) print nodes[i] | "sort"
    close("sort")
    for (i = 1; i <= m; i++) print edges[i] | "sort"
    close("sort")
    print "}"
  }' "$work/full.dot" >"$work/libraries.dot"

if [ "${1:-}" = "--check" ]; then
  if ! diff -u docs/libraries.dot "$work/libraries.dot"; then
    echo "docs/libraries.dot is out of date: run tools/library-graph.sh" >&2
    exit 1
  fi
  exit 0
fi
mkdir -p docs
cp "$work/libraries.dot" docs/libraries.dot
dot -Tsvg docs/libraries.dot -o docs/libraries.svg
echo "docs/libraries.dot, docs/libraries.svg"
