#!/usr/bin/env bash
# Drops a save on veskor.exe as a player does, under Wine on a virtual display, and checks
# that the console window it gets stays open until ENTER is pressed in it: once after a
# repair, once after a failure (a save that does not exist).
#
#   tests/window.sh VESKOR_EXE WORKDIR [SAVE]
#
# WORKDIR is made if need be and holds the copy of the save, and the Wine prefix unless
# WINEPREFIX names one (an existing prefix is reused). SAVE defaults to samples/damaged.vld.
# Prints one line per check; exits 1 on the first failure. Every wait is bounded, and
# Xvfb and the prefix's Wine processes are stopped on exit. Needs Xvfb, xdotool, wine.
set -uo pipefail
[ $# -ge 2 ] || { echo "usage: $0 VESKOR_EXE WORKDIR [SAVE]" >&2; exit 2; }
exe=$(realpath "$1")
mkdir -p "$2" && work=$(realpath "$2")
save=$(realpath "${3:-$(dirname "$0")/../samples/damaged.vld}")
[ -f "$exe" ] && [ -f "$save" ] || { echo "FAIL: no $exe or no $save" >&2; exit 2; }
export WINEPREFIX=${WINEPREFIX:-$work/wineprefix} WINEDEBUG=-all
unset WAYLAND_DISPLAY
exec </dev/null
xvfb='' started=''

fail() {
    echo "FAIL: $*"
    exit 1
}

# cleanup: stops the drop still running, the prefix's Wine processes, and Xvfb.
cleanup() {
    [ -n "$started" ] && kill "$started" 2>/dev/null
    timeout 10 wineserver -k 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -f "$work/display"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# waitfor SECONDS COMMAND...: polls COMMAND every tenth of a second until it succeeds.
waitfor() {
    local tries=$(($1 * 10))
    shift
    while ! "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# Xvfb picks a free display itself and writes its number.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
xvfb=$!
waitfor 20 test -s "$work/display" || fail "Xvfb did not start"
DISPLAY=:$(cat "$work/display")
export DISPLAY
# A Wine server left from earlier runs in the prefix would keep its old display.
timeout 20 wineserver -w || fail "the Wine server of $WINEPREFIX did not stop"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 120 wineboot --init >/dev/null 2>&1 && timeout 60 wineserver -w ||
        fail "could not make the Wine prefix $WINEPREFIX"
fi

# Wine's console window is of class conhost.exe and titled with the program's path.
window() { xdotool search --class '^conhost\.exe$' 2>/dev/null | while read -r w; do
    xdotool getwindowname "$w" 2>/dev/null | grep -qi 'veskor\.exe$' && echo "$w"; done | head -1; }
shown() { [ -n "$(window)" ]; }
gone() { ! kill -0 "$started" 2>/dev/null; }
shownorgone() { gone || shown; }
closed() { ! shown; }

# drop NAME WANT: drops the save NAME in WORKDIR on the program; WANT is "repair" when a
# repaired copy must follow, "error" when the program must fail.
drop() {
    local name=$1 want=$2 w rc
    rm -f "$work/FIXED-$name"
    wine start /wait /unix "$exe" "Z:${work//\//\\}\\$name" >/dev/null 2>&1 &
    started=$!
    waitfor 20 shownorgone || fail "$want drop: no console window within 20 s"
    if ! shown; then
        wait "$started"
        fail "$want drop: the program ended (exit status $?) before its window was seen"
    fi
    [ "$want" = error ] || waitfor 20 test -f "$work/FIXED-$name" ||
        fail "$want drop: no repaired copy within 20 s"
    sleep 2
    w=$(window)
    [ -n "$w" ] && ! gone || fail "$want drop: the window closed by itself"
    echo "ok: $want drop: the window is still open 2 s later"
    timeout 10 xdotool windowfocus --sync "$w" key Return || fail "$want drop: cannot type"
    waitfor 20 gone || fail "$want drop: still running 20 s after ENTER"
    wait "$started"
    rc=$?
    started=
    waitfor 5 closed || fail "$want drop: the window stayed after the program ended"
    echo "ok: $want drop: ENTER closes the window (exit status $rc)"
    if [ "$want" = repair ]; then
        [ "$rc" = 0 ] || fail "repair drop: exit status $rc"
        [ -f "$work/FIXED-$name" ] || fail "repair drop: no FIXED-$name"
        echo "ok: repair drop: FIXED-$name exists"
    else
        [ "$rc" != 0 ] || fail "error drop: exit status 0"
        [ ! -e "$work/FIXED-$name" ] || fail "error drop: FIXED-$name was made"
        echo "ok: error drop: no copy made"
    fi
}

cp "$save" "$work/drop.vld" || fail "cannot copy $save"
drop drop.vld repair
drop missing.vld error
echo "ok: window checks passed"
