#!/usr/bin/env bash
# The pictures of the README and the help pages: every one referenced is
# there, every one in docs/ is referenced somewhere, and every one is taken
# by tools/screenshots.sh (none made by hand).
# Usage: check_pictures.sh SOURCE_DIR
set -euo pipefail
cd "${1:-$(dirname "$0")/../..}"
status=0
complain() { echo "$*" >&2; status=1; }

texts=(README.md src/app/shell/help/*.html)
shots=tools/screenshots.sh

# Markdown ![..](docs/x.png) and HTML src="x.png"; help pages name their
# pictures relative to their own folder.
mapfile -t referenced < <(
  grep -ohE '\]\(docs/[^)]+\.png\)' README.md | sed -E 's/^\]\(//; s/\)$//'
  for page in src/app/shell/help/*.html; do
    grep -ohE 'src="[^"]+\.png"' "$page" | sed -E 's/^src="//; s/"$//' |
      while read -r rel; do realpath -m --relative-to=. "src/app/shell/help/$rel"; done
  done | sed -E 's#^.*(docs/)#\1#' | sort -u)

for pic in "${referenced[@]}"; do
  [[ -f $pic ]] || complain "genannt, aber nicht vorhanden: $pic"
done
while read -r pic; do
  grep -qxF "$pic" < <(printf '%s\n' "${referenced[@]}") || complain "nirgends genannt: $pic"
  grep -qF "${pic#docs/}" "$shots" || complain "nicht von $shots aufgenommen: $pic"
done < <(find docs -name '*.png' | sort)
grep -qF "$shots" README.md || complain "README nennt $shots nicht"
((status == 0)) && echo "Bilder: ${#referenced[@]} genannt, alle vorhanden und aufgenommen"
exit "$status"
