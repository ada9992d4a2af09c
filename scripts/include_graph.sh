#!/bin/bash
# Prints which top-level folders of the program include which (one edge a
# line, "from -> to", with the number of #include lines behind it) and fails
# when the folders include each other in a cycle. The folders are runner/,
# mainwin/, windows/, info/, platform/ (with its backends) and the program
# file strumlet.* at the top. Tests, fuzz targets and benchmarks sit on top of
# everything and are not part of the graph.
#
#   scripts/include_graph.sh [SOURCE_DIR]
set -euo pipefail

root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"

nodes="runner mainwin windows info platform"

# The node a path belongs to, or nothing for a path outside the graph
# (system headers, generated headers).
node_of() {
  case "$1" in
    strumlet.h|strumlet.cpp) echo strumlet ;;
    */*) local top="${1%%/*}"
         for n in $nodes; do [ "$n" = "$top" ] && { echo "$n"; return; }; done ;;
  esac
}

edges=$(
  for f in strumlet.h strumlet.cpp $(find $nodes -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.in' \) | sort); do
    from=$(node_of "$f")
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$f" | while read -r inc; do
      to=$(node_of "$inc")
      [ -n "$to" ] && [ "$to" != "$from" ] && echo "$from $to"
    done
  done | sort | uniq -c | awk '{ print $2, $3, $1 }'
)

echo "Include graph between top-level folders (from -> to: #include lines):"
echo "$edges" | awk 'NF { printf "  %-9s -> %-9s %3d\n", $1, $2, $3 }'

# tsort fails on a cycle and names the folders on it on standard error.
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
if ! order=$(echo "$edges" | awk 'NF { print $1, $2 }' | tsort 2>"$errors"); then
  echo "FAIL: the folders include each other in a cycle; tsort reports:"
  sed 's/^/  /' "$errors"
  exit 1
fi
echo "No cycle. From the top down: $(echo $order)"
