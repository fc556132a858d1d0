#!/usr/bin/env bash
# The bash completion of tavolo-cli as bash runs it: a table of command lines
# (the word under the cursor last) and the words each must offer.
# Usage: completion_test.sh COMPLETION
set -uo pipefail
export LC_ALL=C  # the order sort gives the offered words
source "$1" || exit 1
work="$(mktemp -d "${TMPDIR:-/tmp}/tavolo-completion.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work" && touch capture.bin readings.xml
status=0

# offers "LINE" "EXPECTED": completes the last word of LINE ("" for a new word).
offers() {
    local line=$1 expected=$2
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tavolo_cli
    local got
    got="$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' ')"
    if [ "$got" != "$expected" ]; then
        echo "'$line<TAB>' offers '$got', not '$expected'" >&2
        status=1
    fi
}

offers "tavolo-cli " "--help --version convert decode export log sessions watch"
offers "tavolo-cli l" "log"
offers "tavolo-cli --v" "--version"
offers "tavolo-cli decode --" "--decimal --help --hi --lo"
offers "tavolo-cli decode " "capture.bin readings.xml"
offers "tavolo-cli decode --hi " ""
offers "tavolo-cli convert read" "readings.xml"
offers "tavolo-cli log --p" "--port --print-rows"
offers "tavolo-cli log --session r" "readings.xml"
offers "tavolo-cli export read" "readings.xml"
offers "tavolo-cli s" "sessions"
offers "tavolo-cli log --no-repeat --f" "--frames"
offers "tavolo-cli log --port " "COM1 COM2 COM3 COM4"
offers "tavolo-cli log --port C" "COM1 COM2 COM3 COM4"
offers "tavolo-cli log --out r" "readings.xml"
offers "tavolo-cli log --limit " ""
offers "tavolo-cli watch " ""
offers "tavolo-cli watch mqtt://h/t --mqtt-c" "--mqtt-cafile --mqtt-cert"
offers "tavolo-cli log --mqtt-qos " "0 1"
offers "tavolo-cli log --mqtt-password-file r" "readings.xml"
offers "tavolo-cli log --mqtt " ""
offers "tavolo-cli frob " ""
exit "$status"
