#!/usr/bin/env bash
# Lint: clang-tidy (rules in .clang-tidy) over the program's sources, the
# tests, benchmarks and fuzzers, and clang-format (.clang-format) over the
# whole tree. Exits non-zero on any finding, so CI fails on it.
#   tools/lint.sh                  everything
#   tools/lint.sh FILE...          only these files (e.g. what you changed);
#                                  headers are format-checked, tidied through
#                                  the sources that include them
#   tools/lint.sh --fix [FILE...]  lets clang-format rewrite the files instead
# clang-tidy skips a file whose key (tools/lint-keys.py: the file after
# preprocessing, its flags, the rules and the clang-tidy version) stands in
# tools/lint-clean.txt: nothing it sees changed since a clean run, so the
# verdict would be the same. A clean run over everything writes the keys of
# all files there (commit it with the change). GT_LINT_ALL=1 tidies every
# file regardless.
# BUILD=dir names the build folder whose compile_commands.json is used
# (default build; configured and its generated sources made if missing);
# JOBS=n sets the parallel clang-tidy runs (default: the number of cores).
# Files the build does not compile (the fuzzers without GT_FUZZ) are named
# and left out of clang-tidy.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD:-build}
jobs=${JOBS:-$(nproc)}
fix=0
whole=$((!$#))
clean_list=tools/lint-clean.txt
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

# clang-tidy: every C++ source the build compiles.
tidy=()
for f in "${files[@]}"; do
  case "$f" in
    src/*.cpp | sim/*.cpp | tools/*.cpp | bench/*.cpp | fuzz/*.cpp | tests/*.cpp)
      tidy+=("$f")
      ;;
  esac
done
tidy_status=0
if ((${#tidy[@]})); then
  if [ ! -f "$build/compile_commands.json" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  # Our sources include no generated file (moc output is compiled on its
  # own), so a configured build folder is all clang-tidy needs.
  known=()
  for f in "${tidy[@]}"; do
    if grep -qF "\"file\": \"$PWD/$f\"" "$build/compile_commands.json"; then
      known+=("$f")
    else
      echo "clang-tidy: $f wird in $build nicht übersetzt, nicht geprüft." >&2
    fi
  done
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  todo=("${known[@]}")
  python3 tools/lint-keys.py "$build" "$jobs" "${known[@]}" >"$out/keys"
  if [ -z "${GT_LINT_ALL:-}" ] && [ -s "$clean_list" ]; then
    todo=()
    declare -A clean=()
    while read -r key _; do clean[$key]=1; done <"$clean_list"
    declare -A keyed=()
    while read -r key f; do [[ -n ${clean[$key]:-} ]] && keyed[$f]=1; done <"$out/keys"
    for f in "${known[@]}"; do [[ -n ${keyed[$f]:-} ]] || todo+=("$f"); done
    echo "clang-tidy: $((${#known[@]} - ${#todo[@]})) von ${#known[@]} Dateien unverändert seit der letzten sauberen Prüfung (tools/lint-clean.txt), ${#todo[@]} zu prüfen." >&2
  fi
  ((${#todo[@]})) && printf '%s\n' "${todo[@]}" |
    TIDY_BUILD=$build TIDY_OUT=$out xargs -P "$jobs" -d '\n' -n 1 sh -c '
      log="$TIDY_OUT/$(echo "$1" | tr / _).log"
      clang-tidy -p "$TIDY_BUILD" --quiet "$1" >"$log" 2>&1 || touch "$TIDY_OUT/failed"' sh
  # Only the findings, not clang-tidy's counts of suppressed warnings.
  cat "$out"/*.log 2>/dev/null | grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' || true
  if [ -e "$out/failed" ]; then tidy_status=1; fi
  if ((whole && !tidy_status && !fix)); then
    sort -k2 "$out/keys" >"$clean_list"
  fi
fi

if ((fmt_status)); then echo "clang-format: Dateien nicht formatiert (tools/lint.sh --fix)." >&2; fi
if ((tidy_status)); then echo "clang-tidy: Befunde siehe oben." >&2; fi
exit $((fmt_status || tidy_status))
