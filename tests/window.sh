#!/usr/bin/env bash
# Drops a save on veskor.exe as a player does, under Wine on a virtual display, and checks
# that the console window it gets stays open until ENTER is pressed in it: once after a
# repair, once after a failure (a save that does not exist). Every wait is bounded; Xvfb
# and the prefix's Wine processes are stopped on exit. Needs Xvfb, xdotool and wine; the
# Windows build's CTest runs it as its test "window".
#   tests/window.sh VESKOR_EXE WORKDIR     (WINEPREFIX, if set, names the prefix to use)
set -uo pipefail
# A machine without the tools skips this test (exit 77), saying what to install; CI fails.
for tool in Xvfb xdotool wine; do
    command -v $tool >/dev/null && continue
    echo "needs $tool: apt-get install xvfb xdotool wine wine64"
    [ "${CI:-}" = true ] && exit 1 || exit 77
done
exe=$(realpath "$1") && mkdir -p "$2" && work=$(realpath "$2") || exit 2
export WINEPREFIX=${WINEPREFIX:-$work/wineprefix} WINEDEBUG=-all
exec </dev/null
xvfb='' started=''
fail() { echo "FAIL: $*"; exit 1; }
trap '{ [ -n "$started" ] && kill $started; timeout 10 wineserver -k; [ -n "$xvfb" ] && kill $xvfb; } 2>/dev/null' EXIT
# waitfor SECONDS COMMAND...: polls COMMAND every tenth of a second until it succeeds.
waitfor() {
    local tries=$(($1 * 10))
    shift
    until "$@"; do
        tries=$((tries - 1)) && [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}
# Xvfb picks a free display and writes its number; an old number must not be read instead.
rm -f "$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
xvfb=$!
waitfor 20 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
# A Wine server left from earlier runs in the prefix would keep its old display.
timeout 20 wineserver -w || fail "the Wine server of $WINEPREFIX did not stop"
[ -f "$WINEPREFIX/system.reg" ] || timeout 120 wineboot --init >/dev/null 2>&1 || fail "no prefix"
# The first console window of a new Wine session can take over a second to appear, while on
# Windows it is there when the program starts; one opened and closed first starts Wine's
# desktop, so the program's own window comes as quickly as Windows would show it.
timeout 60 wine start /wait cmd /c exit >/dev/null 2>&1 || fail "no first console window"

# Wine's console window is of class conhost.exe and titled with the program's path.
window() { xdotool search --class '^conhost\.exe$' 2>/dev/null | while read -r w; do
    xdotool getwindowname "$w" | grep -qi 'veskor\.exe$' && echo "$w"; done | head -1; }
shown() { [ -n "$(window)" ]; }
gone() { ! kill -0 "$started" 2>/dev/null; }
# The CPU time so far of veskor.exe, which Wine runs as a Linux process whose command line
# starts with its Windows path and whose environment names this prefix; nothing when there
# is no such process.
cputime() { for d in /proc/[0-9]*; do grep -qz '^[A-Z]:\\.*\\veskor\.exe$' $d/cmdline &&
    grep -qazxF "WINEPREFIX=$WINEPREFIX" $d/environ && awk '{ print $14 + $15 }' $d/stat
    done 2>/dev/null; }
# idle: the program lives and has used no CPU for a second. Once it has shown its window (and
# put its copy in place) nothing is left for it to do but wait for ENTER or end, so an idle
# program is one that waits.
idle() { local was; was=$(cputime); [ -n "$was" ] && sleep 1 && [ "$(cputime)" = "$was" ]; }

# drop NAME WANT: drops the save NAME in WORKDIR on the program; WANT is repair or error. Or,
# WANT typed, starts the program alone and types NAME and ENTER twice at once at its prompt:
# the second ENTER, typed ahead, must not close the window.
drop() {
    local name=$1 want=$2 rc path="Z:${work//\//\\}\\$1"
    local args=("$path")
    [ "$want" = typed ] && args=()
    rm -f "$work/FIXED-$name"
    wine start /wait /unix "$exe" "${args[@]}" >/dev/null 2>&1 &
    started=$!
    waitfor 20 eval 'shown || gone' || fail "$want drop: no console window within 20 s"
    shown || fail "$want drop: the program ended before its window was seen"
    if [ "$want" = typed ]; then
        timeout 10 xdotool windowfocus --sync "$(window)" type "$path" &&
            timeout 10 xdotool key --delay 0 Return Return || fail "typed: cannot type"
    fi
    [ "$want" = error ] || waitfor 20 test -f "$work/FIXED-$name" || fail "$want drop: no copy"
    waitfor 2 idle && shown && ! gone || fail "$want drop: the window closed by itself"
    echo "ok: $want drop: the window stays open once the program has done its work"
    timeout 10 xdotool windowfocus --sync "$(window)" key Return || fail "$want drop: cannot type"
    waitfor 20 gone || fail "$want drop: still running 20 s after ENTER"
    wait "$started"
    rc=$? started=
    waitfor 5 eval '! shown' || fail "$want drop: the window stayed after the program ended"
    echo "ok: $want drop: ENTER closes the window (exit status $rc)"
    [ "$want" != error ] && [ "$rc" = 0 ] && return
    [ "$want" = error ] && [ "$rc" != 0 ] && [ ! -e "$work/FIXED-$name" ] ||
        fail "$want drop: exit status $rc"
}

cp "$(dirname "$0")/../samples/damaged.vld" "$work/drop.vld" || exit 2
drop drop.vld repair
drop missing.vld error
drop drop.vld typed
echo "ok: window checks passed"
