#!/usr/bin/env bash
# The window program's command line stays forgiving with --help and --version
# added: with no display at all, Qt's own -platform option still chooses the
# offscreen platform, an unknown argument is still ignored, and the unattended
# snapshot switches still work.
# Usage: interface_arguments_test.sh PROGRAM
set -euo pipefail
program="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/tavolo-interface-args.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export TAVOLO_PORT_DIR="$work/ports" HOME="$work"

shot="$work/window.png"
printed="$(timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
             "$program" -platform offscreen --no-such-option --snapshot "$shot" --snapshot-after 300)"
[ "$printed" = "$shot" ] || { echo "printed '$printed', not '$shot'"; exit 1; }
[ -s "$shot" ] || { echo "no picture at $shot"; exit 1; }
echo "started offscreen by -platform, ignored --no-such-option, saved $shot"
