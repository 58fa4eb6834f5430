#!/bin/sh
# Start-up time of a launcher file whose script does nothing, against /usr/bin/true.
# Usage: benchmarks/startup/run.sh [BUILD_DIR]
set -eu
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'INSTRUCTIONS:\n  // nothing to do\n/:\n' > "$work/instructions.txt"
"$build/bin/qgpack" create "$work/setup.bin" --instructions "$work/instructions.txt"
echo "qglaunch -qg:version against /usr/bin/true:"
"$build/bin/compare_commands" 2000 1.2 -- "$build/bin/qglaunch" -qg:version -- /usr/bin/true
echo "a launcher file with an empty script against /usr/bin/true:"
"$build/bin/compare_commands" 2000 1.2 -- "$work/setup.bin" -- /usr/bin/true

# The integrity record costs a digest of the index and of each tag file before it is read:
# the sample's tag files, read and checked by a run whose script does nothing.
sample=$(dirname "$0")/../../samples/hello
entries="--instructions $work/instructions.txt --launch-script $sample/launch.txt \
  --jvm $sample/java25.jvm --jvm $sample/java21.jvm --jvm $sample/java17.jvm \
  --jvm $sample/java11.jvm"
# shellcheck disable=SC2086
"$build/bin/qgpack" create "$work/checked.bin" $entries
# shellcheck disable=SC2086
"$build/bin/qgpack" create "$work/plain.bin" --no-integrity $entries
echo "the sample's tag files with an integrity record against the same without:"
"$build/bin/compare_commands" 2000 1.05 -- "$work/checked.bin" -- "$work/plain.bin"
