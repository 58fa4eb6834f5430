#!/bin/sh
# The walk of the whole-disk search: FindFiles over a generated tree of some 300 000
# entries in 30 000 directories, against find DIR -path '*/bin/java', alternating.
# Target: at most 0.6x find's time.
# Usage: benchmarks/walk/run.sh [BUILD_DIR] [ROUNDS]
set -eu
build=$(cd "${1:-build}" && pwd)
rounds=${2:-10}
work=$(mktemp -d "${QG_BENCH_DIR:-/var/tmp}/qgwalk.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$build/bin/walk_bench" --make "$work"
"$build/bin/walk_bench" "$work" > /dev/null
echo "FindFiles against find -path over $(find "$work" | wc -l) entries:"
"$build/bin/compare_commands" "$rounds" "${QG_WALK_MAX_RATIO:-0.6}" \
  -- "$build/bin/walk_bench" "$work" \
  -- /usr/bin/find "$work" -path '*/bin/java'
