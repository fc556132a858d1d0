#!/usr/bin/env bash
# Checks the Debian package as a user would meet it, without the source tree's
# programs: lintian has nothing to say beyond the package's own overrides; the
# desktop entry and the AppStream metadata validate; the package holds exactly
# the files of installed_files.txt; its dependencies resolve on this system;
# then, unpacked into a scratch root, the programs answer --version with the
# package's version, the installed simulator and tavolo-cli log give rows, and
# the installed window opens under Xvfb with live readings and ends cleanly.
# Usage: check_deb.sh PACKAGE.deb. TAVOLO_TRACE=1 traces and keeps the scratch root.
set -euo pipefail
deb="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
[ -z "${TAVOLO_TRACE:-}" ] || set -x

work="$(mktemp -d "${TMPDIR:-/tmp}/tavolo-deb-check.XXXXXX")"
sim=""
cleanup() {
    [ -z "$sim" ] || { kill -INT "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
    [ -n "${TAVOLO_TRACE:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check_deb: $*" >&2; exit 1; }
step() { printf 'check_deb: %s\n' "$*"; }

package="$(dpkg-deb -f "$deb" Package)"
version="$(dpkg-deb -f "$deb" Version)"
depends="$(dpkg-deb -f "$deb" Depends)"
[ "$package" = tavolo ] || fail "the package is named '$package', not tavolo"
step "$package $version, depends: $depends"
# dpkg-shlibdeps computed the libraries; the fonts are named by hand.
for need in libqt6widgets6 libhidapi-hidraw0 libmosquitto1 libc6 fonts-dseg fonts-liberation fonts-dejavu-core; do
    [[ ", $depends" == *", $need"* ]] || fail "Depends lacks $need"
done

step "lintian"
# Errors and warnings fail; the kept ones are overridden in the package itself
# (packaging/deb/lintian-overrides), where lintian shows them with their reason.
lintian --pedantic -I --show-overrides --tag-display-limit 0 "$deb" 2>&1 \
    | grep -v '^running with root privileges' | tee "$work/lintian.txt" || true
if grep -E '^[EW]: ' "$work/lintian.txt" >/dev/null; then
    fail "lintian reports errors or warnings (above)"
fi

step "file list"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort >"$work/files.txt"
grep -v '^\s*\(#\|$\)' "$here/installed_files.txt" | sort >"$work/expected.txt"
if ! diff -u "$work/expected.txt" "$work/files.txt"; then
    fail "the package's files differ from tests/packaging/installed_files.txt (- expected, + packaged)"
fi
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print; bad=1} END {exit bad}' || fail "files not owned by root"

step "dependencies resolve (apt-get --simulate)"
apt-get install --simulate --no-install-recommends "$deb" >"$work/apt.txt" 2>&1 \
    || { cat "$work/apt.txt"; fail "apt cannot install the package here"; }
grep -q "^Inst $package " "$work/apt.txt" || { cat "$work/apt.txt"; fail "apt would not install $package"; }

root="$work/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$work/control"

step "desktop entry and AppStream metadata"
desktop="$(echo "$root"/usr/share/applications/*.desktop)"
metainfo="$(echo "$root"/usr/share/metainfo/*.metainfo.xml)"
desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli validate: $metainfo"
id="$(basename "$desktop" .desktop)"
[ "$(basename "$metainfo" .metainfo.xml)" = "$id" ] || fail "metainfo and desktop entry have different names"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
exec_program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
[ -x "$root/usr/bin/$exec_program" ] || fail "the desktop entry starts '$exec_program', which the package lacks"
grep -Eq '^Categories=(.*;)?Science;(.*;)?Electronics;' "$desktop" || fail "the menu entry is not under Science/Electronics"
for size in 16 22 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    file "$png" | grep -q "PNG image data, $size x $size" || fail "icon $png is not a $size x $size PNG"
done

step "version in one place"
for program in tavolo-interface tavolo-cli tavolo-meter-sim; do
    printed="$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version)"
    [ "$printed" = "$program $version" ] || fail "$program --version printed '$printed', not '$program $version'"
    "$root/usr/bin/$program" --help >/dev/null || fail "$program --help failed"
done
changelog_version="$(zcat "$root/usr/share/doc/tavolo/changelog.gz" | sed -n '1s/^tavolo (\([^)]*\)).*/\1/p')"
[ "$changelog_version" = "$version" ] || fail "the newest changelog entry is '$changelog_version', the package $version"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream metadata has no release $version"

step "udev rule and maintainer scripts"
rules="$root/lib/udev/rules.d/70-tavolo-usb-bridge.rules"
grep -q 'ATTRS{product}=="USB to Serial".*TAG+="uaccess"' "$rules" || fail "the udev rule does not grant the cable"
grep -q 'udevadm control --reload-rules' "$work/control/postinst" || fail "postinst does not reload udev"
for script in postinst postrm; do
    sh -n "$work/control/$script" || fail "$script is not a valid shell script"
    # Without udevadm (a chroot, a container) the scripts do nothing and succeed.
    mkdir -p "$work/empty"
    env PATH="$work/empty" /bin/sh "$work/control/$script" configure >/dev/null || fail "$script failed"
done

# The installed programs, from the scratch root, with the system's libraries.
export TAVOLO_PORT_DIR="$work/ports" HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$TAVOLO_PORT_DIR" "$HOME"
start_simulator() {  # the installed simulator on COM1 at $1 frames a second
    "$root/usr/bin/tavolo-meter-sim" --port COM1 --rate "$1" --seed 7 >"$work/sim.log" 2>&1 &
    sim=$!
    for _ in $(seq 50); do [ -L "$TAVOLO_PORT_DIR/COM1" ] && return; sleep 0.1; done
    cat "$work/sim.log"
    fail "the installed simulator did not register COM1"
}
stop_simulator() { kill -INT "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; sim=""; }

step "installed simulator to installed tavolo-cli log"
start_simulator 50
timeout 60 "$root/usr/bin/tavolo-cli" log --port COM1 --frames 20 --out "$work/readings.txt" 2>"$work/log.txt" \
    || { cat "$work/log.txt"; fail "tavolo-cli log failed"; }
stop_simulator
rows=$(($(wc -l <"$work/readings.txt") - 1))
[ "$rows" -eq 20 ] || { cat "$work/log.txt"; fail "tavolo-cli log recorded $rows rows, not 20"; }
step "  $rows readings recorded"

step "installed window under Xvfb"
start_simulator 2
shot="$work/window.png"
# The window connects to COM1, a few seconds of readings arrive, it saves a
# picture of itself and ends through its own Exit; meanwhile the X server must
# list a window with the program's title.
timeout 60 env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    "$1" --connect-on-start --snapshot "$2" --snapshot-after 4000 >"$3" 2>"$3.err" &
    app=$!
    timeout 20 xdotool search --sync --name "^Tavolo Interface Program" >"$3.windows"
    wait "$app"
' _ "$root/usr/bin/tavolo-interface" "$shot" "$work/window.out" \
    || { cat "$work/window.out.err" 2>/dev/null; fail "the installed window did not open, or did not end cleanly"; }
stop_simulator
[ -s "$work/window.out.windows" ] || fail "no window titled Tavolo Interface Program"
[ "$(cat "$work/window.out")" = "$shot" ] && [ -s "$shot" ] || fail "the window saved no picture ($(cat "$work/window.out"))"
file "$shot" | grep -q 'PNG image data' || fail "the window's picture is not a PNG"
step "  window $(head -1 "$work/window.out.windows") opened and ended; picture $(file -b "$shot" | cut -d, -f2)"

step "passed: $deb"
