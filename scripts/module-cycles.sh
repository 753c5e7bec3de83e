#!/usr/bin/env bash
# Fails when modules include each other in a circle. A module is a header with its source of the
# same name (lib/values/uVariant.h + lib/values/uVariant.cpp: one node); an edge is an
# `#include "..."` line of a project file. Test sources (names with "_test") are left out: they
# sit on top of what they test. Prints every circle found, with the include lines that close it.
#   scripts/module-cycles.sh [ROOT]     exit 0: no circle; 1: a circle (printed); 2: misuse
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

# Project sources and headers, as the repository holds them (untracked new files too).
files=$(git ls-files --cached --others --exclude-standard -- '*.h' '*.cpp' 2>/dev/null ||
        find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||')
files=$(grep -v -e '_test' -e '^build/' <<<"$files" | sort -u)
[ -n "$files" ] || { echo "module-cycles: no sources under $root" >&2; exit 2; }

# "from-module to-module file:line" for every include of another project module.
edges=$(while read -r file; do
          [ -f "$file" ] || continue
          grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
            sed -E "s|^([0-9]+):[^\"]*\"([^\"]+)\".*|\2 $file:\1|" || true
        done <<<"$files" |
        while read -r target where; do
          [ -f "$target" ] || continue  # not a project file (or not from the root)
          from=${where%%:*}
          from=${from%.*} to=${target%.*}
          [ "$from" = "$to" ] || echo "$from $to $where"
        done)

# tsort decides; it names the members of each circle (on stderr) and fails.
if loops=$(cut -d' ' -f1,2 <<<"$edges" | tsort 2>&1 >/dev/null) && [ -z "$loops" ]; then
  echo "module-cycles: $(wc -l <<<"$files") files, no module includes one that includes it back"
  exit 0
fi

# Each circle, walked in include order with the lines that make it (found by a depth-first
# search over the same edges; tsort's listing alone does not say which line closes it).
echo "module-cycles: modules include each other in a circle:" >&2
awk '
  { key = $1 SUBSEP $2
    if (!(key in where)) { where[key] = $3; succ[$1] = succ[$1] " " $2 }
    nodes[$1] = 1; nodes[$2] = 1 }
  function visit(n,    list, count, i, m, k, path) {
    state[n] = 1; stack[++depth] = n
    count = split(succ[n], list, " ")
    for (i = 1; i <= count; i++) {
      m = list[i]
      if (state[m] == 1) {
        # A back edge: the stack from m to n, then n -> m, is a circle.
        for (k = 1; stack[k] != m; k++) {}
        path = ""
        for (; k < depth; k++)
          path = path "    " where[stack[k] SUBSEP stack[k + 1]] "  includes  " stack[k + 1] "\n"
        path = path "    " where[n SUBSEP m] "  includes  " m "\n"
        if (!(path in shown)) { shown[path] = 1; circles++; printf "  circle %d:\n%s", circles, path }
      } else if (state[m] == 0) {
        visit(m)
      }
    }
    depth--; state[n] = 2
  }
  END {
    for (n in nodes) if (state[n] == 0) visit(n)
    printf "  %d circle(s); a low module reaches a high one only through a hook it installs\n", circles
  }' <<<"$edges" >&2
exit 1
