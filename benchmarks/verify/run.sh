#!/bin/sh
# The verification of one candidate (fork, shell, JVM, capture, judging) against a bare run
# of the same JVM on the verification class, alternating. Target: at most 1.15x.
# Usage: benchmarks/verify/run.sh [BUILD_DIR] [ROUNDS] [JAVA_HOME]
set -eu
build=$(cd "${1:-build}" && pwd)
rounds=${2:-20}
java=$(command -v java || true)
home=${3:-}
if [ -z "$home" ] && [ -n "$java" ]; then
  home=$(dirname "$(dirname "$(readlink -f "$java")")")
fi
if [ -z "$home" ]; then
  echo "no JDK found: the verification benchmark is skipped"
  exit 0
fi
jar="$build/share/Verify.jar"
"$build/bin/verify_bench" "$home" "$jar" || { echo "$home does not pass the verification"; exit 1; }
echo "verification of $home against a bare java run of the class:"
"$build/bin/compare_commands" "$rounds" "${QG_VERIFY_MAX_RATIO:-1.15}" \
  -- "$build/bin/verify_bench" "$home" "$jar" \
  -- "$home/bin/java" -cp "$jar" Verify java.version
