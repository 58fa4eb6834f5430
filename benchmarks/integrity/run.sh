#!/bin/sh
# Integrity checks: "qgpack verify" and "-qg:check" of a launcher carrying a 512 MiB archive,
# against cat of the same launcher file, all from a warm page cache.
# Target: each check takes at most 2 times as long as cat.
# Usage: benchmarks/integrity/run.sh [BUILD_DIR] [ROUNDS]
set -eu
build=$(cd "${1:-build}" && pwd)
rounds=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

head -c 536870912 /dev/urandom > "$work/payload.bin"
printf 'INSTRUCTIONS: x\n' > "$work/instructions.txt"
"$build/bin/qgpack" create "$work/setup.bin" --stub "$build/bin/qglaunch" \
  --instructions "$work/instructions.txt" --app-archive "$work/payload.bin"
rm "$work/payload.bin"
cat "$work/setup.bin" > /dev/null

status=0
echo "qgpack verify (512 MiB entry) against cat of the same file:"
"$build/bin/compare_commands" "$rounds" "${QG_CHECK_MAX_RATIO:-2}" \
  -- "$build/bin/qgpack" verify "$work/setup.bin" -- /bin/cat "$work/setup.bin" || status=1
echo "setup.bin -qg:check (512 MiB entry) against cat of the same file:"
"$build/bin/compare_commands" "$rounds" "${QG_CHECK_MAX_RATIO:-2}" \
  -- "$work/setup.bin" -qg:check -- /bin/cat "$work/setup.bin" || status=1
exit $status
