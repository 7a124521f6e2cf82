#!/usr/bin/env bash
# Lint: clang-tidy (rules in .clang-tidy) over the program's sources and
# clang-format (.clang-format) over the whole tree. Exits non-zero on any
# finding, so CI fails on it.
#   tools/lint.sh                  everything
#   tools/lint.sh FILE...          only these files (e.g. what you changed);
#                                  headers are format-checked, tidied through
#                                  the sources that include them
#   tools/lint.sh --fix [FILE...]  lets clang-format rewrite the files instead
# BUILD=dir names the build folder whose compile_commands.json is used
# (default build; configured and its generated sources made if missing);
# JOBS=n sets the parallel clang-tidy runs (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD:-build}
jobs=${JOBS:-$(nproc)}
fix=0
if [ "${1:-}" = "--fix" ]; then
  fix=1
  shift
fi

if (($#)); then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi

# Formatting: every C++ file of the tree (or of the files named).
fmt=()
for f in "${files[@]}"; do
  case "$f" in
    *.cpp | *.h) fmt+=("$f") ;;
  esac
done
fmt_status=0
if ((${#fmt[@]})); then
  if ((fix)); then
    clang-format -i "${fmt[@]}"
  else
    clang-format --dry-run --Werror "${fmt[@]}" || fmt_status=1
  fi
fi

# clang-tidy: the program's own sources (src/, sim/, tools/) that the build compiles.
tidy=()
for f in "${files[@]}"; do
  case "$f" in
    src/*.cpp | sim/*.cpp | tools/*.cpp) tidy+=("$f") ;;
  esac
done
tidy_status=0
if ((${#tidy[@]})); then
  if [ ! -f "$build/compile_commands.json" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  # Our sources include no generated file (moc output is compiled on its
  # own), so a configured build folder is all clang-tidy needs.
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  printf '%s\n' "${tidy[@]}" |
    xargs -P "$jobs" -I{} sh -c 'clang-tidy -p "$1" --quiet "$2" >"$3/$(echo "$2" | tr / _).log" 2>&1 || touch "$3/failed"' \
      sh "$build" {} "$out"
  # Only the findings, not clang-tidy's counts of suppressed warnings.
  cat "$out"/*.log | grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' || true
  if [ -e "$out/failed" ]; then tidy_status=1; fi
fi

if ((fmt_status)); then echo "clang-format: Dateien nicht formatiert (tools/lint.sh --fix)." >&2; fi
if ((tidy_status)); then echo "clang-tidy: Befunde siehe oben." >&2; fi
exit $((fmt_status || tidy_status))
