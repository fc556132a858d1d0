#!/usr/bin/env bash
# A program's --help against its manual page and, when given, its bash
# completion. Commands are the lines of --help indented by exactly two blanks
# that begin with a lower-case word; the options below such a line are that
# command's, the ones above any command are the program's own.
#  - every command has a ".SS name" section in the page and a "name)" case in
#    the completion, and nothing else has;
#  - every option --help lists is described in the page (an item after .TP,
#    in its command's section) and offered by the completion for that command;
#  - every option the page describes and every option the completion offers is
#    one --help lists, so no stale option survives;
#  - --version prints "PROGRAM VERSION".
# Usage: help_docs_test.sh PROGRAM VERSION MANPAGE [COMPLETION]
set -euo pipefail
program="$1"
version="$2"
page="$3"
completion="${4:-}"
name="$(basename "$program")"
work="$(mktemp -d "${TMPDIR:-/tmp}/tavolo-help-docs.XXXXXX")"
trap 'rm -rf "$work"' EXIT
status=0
complain() { echo "$name: $*" >&2; status=1; }

# No display at all: the answers must not need one.
printed="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version)"
[ "$printed" = "$name $version" ] || complain "--version printed '$printed', not '$name $version'"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help >"$work/help.txt"

# "command|option" for every option --help lists ("" is the program's own).
awk '
    /^  [a-z][a-z0-9-]*( |$)/ { section = $1 }
    {
        line = $0
        while (match(line, /--[a-z][a-z0-9-]*/)) {
            print section "|" substr(line, RSTART, RLENGTH)
            line = substr(line, RSTART + RLENGTH)
        }
    }' "$work/help.txt" | sort -u >"$work/help-options.txt"
awk '/^  [a-z][a-z0-9-]*( |$)/ { print $1 }' "$work/help.txt" | sort -u >"$work/help-commands.txt"

# The page with roff's escaped minus signs made plain; ".SS name" opens a
# command's section, ".SH" closes it.
sed 's/\\-/-/g' "$page" >"$work/page.txt"
awk '/^\.SS/ { gsub(/"/, "", $2); print $2 }' "$work/page.txt" | sort -u >"$work/page-commands.txt"
awk '
    /^\.SH/ { section = ""; next }
    /^\.SS/ { section = $2; gsub(/"/, "", section); next }
    item && match($0, /^\.[A-Z]+ --[a-z][a-z0-9-]*/) {
        print section "|" substr($0, index($0, "--"), RLENGTH - index($0, "--") + 1)
    }
    { item = ($0 ~ /^\.TP/) }' "$work/page.txt" | sort -u >"$work/page-options.txt"

if ! diff -u "$work/help-commands.txt" "$work/page-commands.txt" >"$work/diff.txt"; then
    complain "commands of --help (-) and .SS sections of $page (+) differ:"; cat "$work/diff.txt" >&2
fi
while IFS="|" read -r section option; do
    grep -qxF -e "$section|$option" "$work/page-options.txt" ||
        complain "$page does not describe $option${section:+ under $section} (an item after .TP)"
done <"$work/help-options.txt"
# Complains of every "command|option" in file $1 that --help does not list,
# neither for that command nor as the program's own; $2 names the file.
only_listed_options() {
    local section option
    while IFS="|" read -r section option; do
        grep -qxF -e "$section|$option" "$work/help-options.txt" ||
            grep -qxF -e "|$option" "$work/help-options.txt" ||
            complain "$2 has $option${section:+ for $section}, which --help does not list"
    done <"$1"
}
only_listed_options "$work/page-options.txt" "$page"

if [ -n "$completion" ]; then
    # The completion names its commands in one "commands='...'" line and gives
    # each a "name) options='...'" case.
    sed -n "s/^ *local commands='\(.*\)'.*/\1/p" "$completion" | tr ' ' '\n' | sort -u >"$work/completion-commands.txt"
    if ! diff -u "$work/help-commands.txt" "$work/completion-commands.txt" >"$work/diff.txt"; then
        complain "commands of --help (-) and of $completion (+) differ:"; cat "$work/diff.txt" >&2
    fi
    sed -n "s/^ *\([a-z][a-z0-9-]*\)) options='\(.*\)'.*/\1 \2/p" "$completion" |
        awk '{ for (i = 2; i <= NF; ++i) print $1 "|" $i }' | sort -u >"$work/completion-options.txt"
    while IFS="|" read -r section option; do
        if [ -z "$section" ]; then
            grep -qF -e "$option" "$completion" || complain "$completion does not offer $option"
        else
            grep -qxF -e "$section|$option" "$work/completion-options.txt" ||
                complain "$completion does not offer $option after $section"
        fi
    done <"$work/help-options.txt"
    only_listed_options "$work/completion-options.txt" "$completion"
fi

[ "$status" -ne 0 ] || echo "$name: $(wc -l <"$work/help-options.txt") options and $(wc -l <"$work/help-commands.txt") commands of --help documented"
exit "$status"
