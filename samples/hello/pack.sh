#!/bin/sh
# Packs the sample product into a launcher file: the stub, the instructions, the launch
# script, the JVM files in order of preference, the verification class and the wizard.
# Usage: samples/hello/pack.sh [BUILD_DIR [OUTPUT]]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
output=${2:-$build/demo/setup.bin}
mkdir -p "$(dirname "$output")"
"$build/bin/qgpack" create "$output" \
  --instructions "$here/instructions.txt" \
  --launch-script "$here/launch.txt" \
  --jvm "$here/java25.jvm" --jvm "$here/java21.jvm" --jvm "$here/java17.jvm" \
  --jvm "$here/java11.jvm" \
  --verify-archive "$build/share/Verify.jar" \
  --app-archive "$build/samples/hello/app.jar"
echo "$output"
