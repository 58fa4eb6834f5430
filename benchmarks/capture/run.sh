#!/bin/sh
# Capture of a child's output: 256 MiB written to standard output, kept in memory by
# runCommand against Python's subprocess.run(capture_output=True), alternating; and the cost
# of capture for a child that prints one line. Targets: at most 0.7x Python's time, and at
# most 5 ms more than the same command without capture.
# Usage: benchmarks/capture/run.sh [BUILD_DIR] [ROUNDS]
set -eu
build=$(cd "${1:-build}" && pwd)
rounds=${2:-10}
command='head -c 268435456 /dev/zero'
python=$(command -v python3 || true)
status=0
if [ -n "$python" ]; then
  echo "runCommand capturing 256 MiB against Python's subprocess.run:"
  "$build/bin/compare_commands" "$rounds" "${QG_CAPTURE_MAX_RATIO:-0.7}" \
    -- "$build/bin/capture_bench" once "$command" \
    -- "$python" -c 'import subprocess, sys; subprocess.run(["/bin/sh", "-c", sys.argv[1]], capture_output=True)' "$command" \
    || status=1
else
  echo "python3 not found: the comparison with subprocess.run is skipped"
fi
echo "capture of a one-line child against no capture:"
"$build/bin/capture_bench" overhead 200 5 'echo one line' > /dev/null || status=1
exit $status
