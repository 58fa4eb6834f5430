#!/bin/sh
# Runs every benchmark against its reference tool. Usage: benchmarks/run.sh [BUILD_DIR]
set -u
build=${1:-build}
status=0
for script in "$(dirname "$0")"/*/run.sh; do
  echo "== $script"
  sh "$script" "$build" || status=1
done
exit $status
