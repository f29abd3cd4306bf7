#!/usr/bin/env bash
# The Debian package as a user gets it: built, checked by lintian, installed into this system with dpkg, each
# installed program run (the batch export against the installed simulator, the window under Xvfb until it
# connects), the desktop entry and the AppStream metadata validated, and removed again. Installs into the system,
# so it runs only when asked (`make package-test`, `ctest -L package`), as root; exit 77 means skipped.
# Usage: package_test.sh BUILD_DIR
set -uo pipefail

build=$(cd "${1:?usage: package_test.sh BUILD_DIR}" && pwd)
package=leeb-companion
app_id=org.leebcompanion.LeebCompanion
programs=(leeb-companion leeb-convert leeb-archive instrument-sim)

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: installs a package into the system and needs root"
    exit 77
fi
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    echo "SKIP: $package is installed already; this test would not leave the system as it found it"
    exit 77
fi

work=$(mktemp -d /tmp/leeb-package-test.XXXXXX)
started=()    # process groups this test started
installed=0
failures=0

cleanup() {
    for pgid in "${started[@]}"; do
        kill -- "-$pgid" 2>/dev/null
    done
    if [ "$installed" -eq 1 ]; then
        dpkg --purge "$package" > "$work/purge.log" 2>&1 || { echo "FAIL: dpkg --purge"; cat "$work/purge.log"; }
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() {
    echo "ok: $*"
}

# Starts "$@" in a process group of its own, output to the file $1; sets $last_pid.
start() {
    local log=$1
    shift
    setsid "$@" > "$log" 2>&1 < /dev/null &
    last_pid=$!
    started+=("$last_pid")
}
stop() {
    kill -- "-$1" 2>/dev/null
    wait "$1" 2>/dev/null
}
# wait_for FILE PATTERN SECONDS: true once a line of FILE matches PATTERN.
wait_for() {
    local deadline=$((SECONDS + $3))
    while [ $SECONDS -lt $deadline ]; do
        grep -q -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.2
    done
    return 1
}

# --- build and check the package
cmake --build "$build" --target package > "$work/build.log" 2>&1 || { cat "$work/build.log"; echo "FAIL: make package"; exit 1; }
deb=$(ls -t "$build"/${package}_*.deb 2>/dev/null | head -n1)
[ -f "$deb" ] || { echo "FAIL: no package in $build"; exit 1; }
pass "built $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
if lintian --fail-on error "$deb" > "$work/lintian.log" 2>&1; then
    pass "lintian: no errors"
else
    fail "lintian"
fi
sed 's/^/  lintian: /' "$work/lintian.log" | grep -v 'running with root privileges'

# What the package touches, less the caches that dpkg's triggers rebuild.
system_files() {
    find /usr/bin /usr/share/applications /usr/share/metainfo /usr/share/man/man1 /usr/share/icons/hicolor \
        /usr/share/doc \( -type f -o -type l \) ! -name '*.cache' 2>/dev/null | sort
}

# --- install
system_files > "$work/before.txt"
# From here on the trap purges it, also after a dpkg -i that stopped half way (purging nothing is no error).
installed=1
if ! dpkg -i "$deb" > "$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: dpkg -i"
    exit 1
fi
pass "dpkg -i"

# The programs run in a folder of their own, with a home of their own: their settings file, archive and
# single-instance socket stay there, apart from any window of the user's.
mkdir -p "$work/home" "$work/run" "$work/tmp"
cd "$work/run" || exit 1
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config TMPDIR=$work/tmp
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

for p in "${programs[@]}"; do
    [ -x "/usr/bin/$p" ] || fail "$p is not installed in /usr/bin"
    [ -f "/usr/share/man/man1/$p.1.gz" ] || fail "no manual page for $p"
    if "/usr/bin/$p" --help > "$work/help.txt" 2>&1 && grep -q -i usage "$work/help.txt"; then
        pass "$p --help"
    else
        fail "$p --help"; cat "$work/help.txt"
    fi
done
for p in leeb-companion leeb-archive; do
    if [ "$("/usr/bin/$p" --version)" = "$p $(dpkg-query -W -f='${Version}' "$package")" ]; then
        pass "$p --version"
    else
        fail "$p --version does not name the package's version"
    fi
done

# --- the batch export against the installed simulator
start "$work/sim1.out" /usr/bin/instrument-sim --no-pacing
sim=$last_pid
if wait_for "$work/sim1.out" '^/dev/pts/' 10; then
    pty=$(grep -m1 '^/dev/pts/' "$work/sim1.out")
    if /usr/bin/leeb-companion --export "$work/groups.xlsx" --timeout 30 --port "$pty" > "$work/export.log" 2>&1 &&
        [ "$(head -c 2 "$work/groups.xlsx" 2>/dev/null)" = "PK" ]; then
        pass "leeb-companion --export wrote a workbook from the installed simulator"
    else
        fail "leeb-companion --export"; cat "$work/export.log"
    fi
else
    fail "instrument-sim printed no terminal"; cat "$work/sim1.out"
fi
stop "$sim"

# --- the installed window under Xvfb, until it connects
start "$work/sim2.out" /usr/bin/instrument-sim --no-pacing
sim=$last_pid
if wait_for "$work/sim2.out" '^/dev/pts/' 10; then
    pty=$(grep -m1 '^/dev/pts/' "$work/sim2.out")
    start "$work/window.log" env QT_LOGGING_RULES="leeb.*.debug=true" xvfb-run -a /usr/bin/leeb-companion --port "$pty"
    window=$last_pid
    if wait_for "$work/window.log" 'leeb.link.uart: connected' 30; then
        pass "the installed window connected to the simulator"
    else
        fail "the installed window did not connect"; tail -n 20 "$work/window.log"
    fi
    stop "$window"
else
    fail "instrument-sim printed no terminal"; cat "$work/sim2.out"
fi
stop "$sim"

# --- desktop integration
desktop=/usr/share/applications/$app_id.desktop
if desktop-file-validate "$desktop" && grep -qx 'Exec=leeb-companion' "$desktop" &&
    grep -qx "Icon=$app_id" "$desktop"; then
    pass "desktop entry"
else
    fail "desktop entry $desktop"
fi
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml" > "$work/appstream.log" 2>&1 &&
    pass "AppStream metadata" || { fail "AppStream metadata"; cat "$work/appstream.log"; }
for icon in scalable/apps/$app_id.svg 48x48/apps/$app_id.png 128x128/apps/$app_id.png 256x256/apps/$app_id.png; do
    [ -s "/usr/share/icons/hicolor/$icon" ] || fail "icon $icon missing"
done
for size in 48 128 256; do
    identify -format '%wx%h' "/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" 2>/dev/null |
        grep -qx "${size}x${size}" || fail "the ${size} px icon is not ${size}x${size}"
done
for p in "${programs[@]}"; do
    man --warnings -l "/usr/share/man/man1/$p.1.gz" > /dev/null 2> "$work/man.log" && [ ! -s "$work/man.log" ] ||
        { fail "manual page of $p"; cat "$work/man.log"; }
done

# --- remove, and nothing of it stays behind
dpkg -L "$package" | grep -v '/\.$' > "$work/files.txt"
if dpkg --purge "$package" > "$work/purge.log" 2>&1; then
    installed=0
    pass "dpkg --purge"
else
    fail "dpkg --purge"; cat "$work/purge.log"
fi
while read -r f; do
    [ -d "$f" ] || [ ! -e "$f" ] || fail "$f is left after removal"
done < "$work/files.txt"
system_files > "$work/after.txt"
diff "$work/before.txt" "$work/after.txt" > "$work/left.txt" || { fail "the system's files differ after removal"; cat "$work/left.txt"; }

echo "package test: $failures failure(s)"
[ "$failures" -eq 0 ]
