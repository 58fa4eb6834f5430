#!/bin/sh
# Checks that headers point down: a folder includes headers of its own folder or of the
# folders below it, never of one above it or beside it. Prints every offending include and
# exits 1 when there is one. Usage: tools/check-layers.sh [SOURCE_DIR]
cd "${1:-$(dirname "$0")/..}" || exit 2

# The layers from the bottom up; folders on one line stand beside each other.
layers='base
native/launcher/linux
tagfile
instructions launchscript
jvm
payload
launcher
tools benchmarks'

git ls-files '*.h' '*.cpp' | xargs grep -Hn '^#include "' | awk -v layers="$layers" '
  BEGIN {
    n = split(layers, rows, "\n")
    for (r = 1; r <= n; ++r) {
      m = split(rows[r], names, " ")
      for (i = 1; i <= m; ++i) { folders[++count] = names[i]; rank[names[i]] = r }
    }
  }
  function folderOf(path,   i) {
    for (i = 1; i <= count; ++i)
      if (index(path, folders[i] "/") == 1) return folders[i]
    return ""
  }
  {
    split($0, parts, ":")
    header = $0; sub(/^[^"]*"/, "", header); sub(/".*$/, "", header)
    from = folderOf(parts[1]); to = folderOf(header)
    if (from == "" || to == "" || from == to) next
    if (rank[to] >= rank[from]) {
      print parts[1] ":" parts[2] ": includes " header " from a layer that is not below it"
      bad = 1
    }
  }
  END { exit bad }'
