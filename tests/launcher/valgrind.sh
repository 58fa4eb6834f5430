#!/bin/sh
# A default run that launches a command, and an extraction, under valgrind's memcheck on the
# dynamically linked launcher: no invalid access, no use of uninitialised memory, no leak.
# Exits 77 (skipped) without valgrind. Usage: valgrind.sh BIN_DIR
set -eu
bin=$1
command -v valgrind > /dev/null 2>&1 || { echo "valgrind is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'PK archive' > app.jar
printf 'JVM_HOME: /opt/java\nJVM_EXE: bin/java\nCLASSPATH: "-cp "\n' > java.jvm
printf 'DESC: Checked\nCOMMAND: true %%CP%%() %%SYSTEMPROP%%("a", "@JVM_HOME@")\nARCHIVE: %%APPLICATION_ARCHIVE%%()\n' > launch.txt
printf 'INSTRUCTIONS:\n  SET S1 = "value"\n  LAUNCH "%s/java.jvm" 0\n/:\n' "$work" > instructions.txt
"$bin/qgpack" create setup.bin --stub "$bin/qglaunch-dynamic" --instructions instructions.txt \
  --launch-script launch.txt --app-archive app.jar
# Runs the launcher under memcheck; both the run and the check must succeed.
check() {
  status=0
  valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
    "$@" > "$work/memcheck.txt" 2>&1 || status=$?
  [ $status -eq 0 ] && return 0
  cat "$work/memcheck.txt"
  [ $status -eq 99 ] && echo "memcheck found errors in: $*" || echo "the run failed ($status): $*"
  exit 1
}
TMPDIR="$work" check ./setup.bin -qg:log "$work/run.log"
mkdir extracted
(cd extracted && TMPDIR="$work" check ../setup.bin -qg:extract)
[ -f extracted/app.jar ] || { echo "the extraction wrote nothing"; exit 1; }
echo "memcheck: clean"
