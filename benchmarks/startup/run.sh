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
