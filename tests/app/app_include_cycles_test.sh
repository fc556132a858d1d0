#!/usr/bin/env bash
# The window's files call and include each other one way only: no file of app/
# includes (or, through its header, calls back into) a file that includes it.
# A header and its source count as one unit; tsort finds any circle. And a
# source defines members of its own header's (or its own local) classes only,
# so no class is spread over files that call each other both ways.
# Usage: app_include_cycles_test.sh SOURCE_DIR
set -euo pipefail
cd "$1"
edges="$(mktemp)"
trap 'rm -f "$edges"' EXIT
for file in $(find app -name '*.h' -o -name '*.cpp' | sort); do
    unit="${file%.*}"
    echo "$unit $unit" >>"$edges"
    { grep -o '^#include "app/[^"]*"' "$file" || true; } | sed 's/^#include "\(.*\)\.[a-z]*"$/\1/' |
        while read -r included; do
            [ "$included" = "$unit" ] || echo "$unit $included" >>"$edges"
        done
done
status=0
for source in $(find app -name '*.cpp' | sort); do
    header="${source%.cpp}.h"
    # The class of each member defined at the start of a line (before any "(").
    for class in $(sed -nE 's/^[A-Za-z][^(]*[^:A-Za-z0-9_]([A-Z][A-Za-z0-9_]*)::~?[A-Za-z_][A-Za-z0-9_]*\(.*/\1/p' "$source" |
                   sort -u); do
        if ! grep -qE "(class|struct) $class\b" "$source" ${header:+$( [ -f "$header" ] && echo "$header")}; then
            echo "$source defines members of $class, which its header does not declare"
            status=1
        fi
    done
done
[ "$status" -eq 0 ] || exit 1
if ! tsort "$edges" >/dev/null 2>"$edges.err"; then
    echo "include circle in app/:"
    cat "$edges.err"
    rm -f "$edges.err"
    exit 1
fi
rm -f "$edges.err"
echo "app/: $(sort -u "$edges" | wc -l) include edges, no circle"
