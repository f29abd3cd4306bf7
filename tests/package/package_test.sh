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

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: installs a package into the system and needs root"
    exit 77
fi
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    echo "SKIP: $package is installed already; this test would not leave the system as it found it"
    exit 77
fi

work=$(mktemp -d /tmp/leeb-package-test.XXXXXX)
started=() # process groups this test started
installed=0
failures=0

cleanup() {
    for pgid in "${started[@]}"; do
        kill -- "-$pgid" 2>/dev/null
    done
    [ "$installed" -eq 0 ] || dpkg --purge "$package" > /dev/null 2>&1 || echo "FAIL: dpkg --purge"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# check WHAT COMMAND...: runs COMMAND; its output is shown only when it fails.
check() {
    local what=$1
    shift
    if "$@" > "$work/out" 2>&1; then
        echo "ok: $what"
    else
        echo "FAIL: $what"
        cat "$work/out"
        failures=$((failures + 1))
        return 1
    fi
}
# start LOG COMMAND...: runs COMMAND in a process group of its own, output to LOG; sets $last_pid.
start() {
    setsid "${@:2}" > "$1" 2>&1 < /dev/null &
    last_pid=$!
    started+=("$last_pid")
}
stop() {
    kill -- "-$1" 2>/dev/null
    wait "$1" 2>/dev/null
}
# wait_for FILE PATTERN SECONDS: true once a line of FILE matches PATTERN; else shows the end of FILE.
wait_for() {
    local deadline=$((SECONDS + $3))
    until grep -q -- "$2" "$1" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || { tail -n 20 "$1"; return 1; }
        sleep 0.2
    done
}
# simulator LOG: starts the installed simulator; sets $sim, and $pty to its terminal.
simulator() {
    start "$1" /usr/bin/instrument-sim --no-pacing
    sim=$last_pid
    wait_for "$1" '^/dev/pts/' 10
    pty=$(grep -m1 '^/dev/pts/' "$1")
}
# What the package touches, less the caches that dpkg's triggers rebuild.
system_files() {
    find /usr/bin /usr/share/applications /usr/share/metainfo /usr/share/man/man1 /usr/share/icons/hicolor \
        /usr/share/doc \( -type f -o -type l \) ! -name '*.cache' 2>/dev/null | sort
}

# --- build, check and install the package
cmake --build "$build" --target package > "$work/build.log" 2>&1 || { cat "$work/build.log"; echo "FAIL: make package"; exit 1; }
deb=$(ls -t "$build"/${package}_*.deb 2>/dev/null | head -n1)
[ -f "$deb" ] || { echo "FAIL: no package in $build"; exit 1; }
check "lintian: no errors in $(basename "$deb")" lintian --fail-on error "$deb"
system_files > "$work/before.txt"
installed=1 # from here on the trap purges it, also after a dpkg -i that stopped half way
check "dpkg -i" dpkg -i "$deb" || exit 1

# The programs run in a folder of their own, with a home of their own: their settings file, archive and
# single-instance socket stay there, apart from any window of the user's. They probe the simulator's terminal and
# none of the host's ports.
mkdir -p "$work/home" "$work/run" "$work/tmp"
cd "$work/run" || exit 1
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config TMPDIR=$work/tmp
export LEEB_NAMED_PORTS_ONLY=1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

for p in leeb-companion leeb-convert leeb-archive instrument-sim; do
    check "$p --help" bash -o pipefail -c '"$0" --help 2>&1 | grep -i -E "usage|用法"' "/usr/bin/$p"
done
for p in leeb-companion leeb-archive; do
    check "$p --version names the package's version" \
        test "$("/usr/bin/$p" --version)" = "$p $(dpkg-query -W -f='${Version}' "$package")"
done

export_workbook() {
    /usr/bin/leeb-companion --export "$work/groups.xlsx" --timeout 30 --port "$pty" &&
        [ "$(head -c 2 "$work/groups.xlsx")" = "PK" ]
}
simulator "$work/sim1.out"
check "leeb-companion --export wrote a workbook from the installed simulator" export_workbook
stop "$sim"

simulator "$work/sim2.out"
start "$work/window.log" env QT_LOGGING_RULES="leeb.*.debug=true" xvfb-run -a /usr/bin/leeb-companion --port "$pty"
window=$last_pid
check "the installed window connected to the simulator" wait_for "$work/window.log" 'leeb.link.uart: connected' 30
stop "$window"
stop "$sim"

desktop=/usr/share/applications/$app_id.desktop
check "desktop entry" bash -c 'desktop-file-validate "$0" && grep -x Exec=leeb-companion "$0"' "$desktop"
check "AppStream metadata" appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml"

# --- remove: the files the package touches are as before
check "dpkg --purge" dpkg --purge "$package" && installed=0
system_files > "$work/after.txt"
check "the system's files as before the installation" diff "$work/before.txt" "$work/after.txt"

echo "package test: $failures failure(s)"
[ "$failures" -eq 0 ]
