#!/bin/sh
# Extraction speed: "qglaunch -qg:extract" of a launcher carrying a 512 MiB archive, against
# cp of the same archive, both from a warm page cache, alternating over several rounds.
# Target: extraction takes at most 1.1 times as long as cp.
# Usage: benchmarks/extract/run.sh [BUILD_DIR] [ROUNDS]
set -eu
build=$(cd "${1:-build}" && pwd)
rounds=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

head -c 536870912 /dev/urandom > "$work/payload.bin"
printf 'INSTRUCTIONS: x\n' > "$work/instructions.txt"
"$build/bin/qgpack" create "$work/setup.bin" --stub "$build/bin/qglaunch" \
  --instructions "$work/instructions.txt" --app-archive "$work/payload.bin"
mkdir "$work/out"
# Both sides read clean pages from the page cache: nothing still being written back, no disk.
sync
cat "$work/setup.bin" "$work/payload.bin" > /dev/null

cd "$work/out"
# Each side first removes what the previous round wrote, so that neither pays for truncating
# the other's 512 MiB of dirty pages: what is measured is the copy.
echo "qglaunch -qg:extract (512 MiB entry) against cp of the same file:"
"$build/bin/compare_commands" "$rounds" "${QG_EXTRACT_MAX_RATIO:-1.1}" \
  -- /bin/sh -c 'rm -f payload.bin && exec "$0" -qg:extract' "$work/setup.bin" \
  -- /bin/sh -c 'rm -f "$1" && exec cp "$0" "$1"' "$work/payload.bin" "$work/copy.bin"
cmp -s "$work/out/payload.bin" "$work/payload.bin" || { echo "extracted file differs"; exit 1; }
