#!/usr/bin/env bash
# tavolo-cli's --mqtt options refused with a clear sentence and exit status 2,
# before anything is read or any broker contacted; a password never echoed.
# usage: cli_mqtt_arguments_test.sh TAVOLO_CLI
set -uo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'hunter2\n' > "$work/pw"
: > "$work/empty"
status=0

# refuses "EXPECTED STDERR TEXT" ARGS...
refuses() {
    local expected=$1
    shift
    "$cli" "$@" < /dev/null > "$work/out" 2> "$work/err"
    local got=$?
    if [ "$got" -ne 2 ] || ! grep -qF -- "$expected" "$work/err"; then
        echo "tavolo-cli $*: exit $got, stderr: $(cat "$work/err") (wanted 2 and '$expected')" >&2
        status=1
    fi
    if grep -q hunter2 "$work/err" "$work/out"; then
        echo "tavolo-cli $*: the password was echoed" >&2
        status=1
    fi
}

refuses "must begin with mqtt:// or mqtts://" log --mqtt http://h
refuses "cannot hold a user name or password" log --mqtt mqtt://me:hunter2@h
refuses "--mqtt-qos takes 0 or 1" log --mqtt mqtt://h --mqtt-qos 2
refuses "the --mqtt-... options need --mqtt URL" log --mqtt-user me
refuses "--mqtt-password-file needs --mqtt-user" log --mqtt mqtt://h --mqtt-password-file "$work/pw"
refuses "holds no password on its first line" log --mqtt mqtt://h --mqtt-user me --mqtt-password-file "$work/empty"
refuses "cannot open the password file" log --mqtt mqtt://h --mqtt-user me --mqtt-password-file "$work/none"
refuses "need an mqtts:// URL" log --mqtt mqtt://h --mqtt-cafile "$work/pw"
refuses "--mqtt-cert and --mqtt-key go together" log --mqtt mqtts://h --mqtt-cert "$work/pw"
refuses "cannot hold the wildcards" log --mqtt mqtt://h --mqtt-prefix 'lab/#'
refuses "--mqtt needs a value" log --mqtt
refuses "give the broker and topic" watch
refuses "needs a topic after the broker" watch mqtt://h:1883
refuses "'#' only as its whole last level" watch 'mqtt://h/a/#/b'
refuses "unknown argument '--mqtt-prefix'" watch mqtt://h/t --mqtt-prefix p
refuses "unknown argument 'extra'" watch mqtt://h/t extra
exit "$status"
