#!/usr/bin/env bash
# The real window under Xvfb: caption "Gridkeep", a 640x480 client area centred on the screen,
# a second copy exits 0 within two seconds while the first keeps running, and closing the
# window from the close box ends the program with 0. Argument 1: path of gridkeep.
set -euo pipefail
game="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
xvfb_pid="" game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A display number nobody uses.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display" XDG_RUNTIME_DIR="$work" GK_BACKEND=sdl GK_SYSTEM_DIR="$work"
unset GK_WINDOW_SCALE

cc -o "$work/xclose" "$here/xclose.c" -lX11

"$game" >"$work/game.log" 2>&1 &
game_pid=$!
window=""
for _ in $(seq 100); do
    window="$(xdotool search --name '^Gridkeep$' 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window titled Gridkeep"
[ "$(xdotool getwindowname "$window")" = "Gridkeep" ] || fail "title"

info="$(xwininfo -id "$window")"
field() { echo "$info" | sed -n "s/^ *$1: *\(-\?[0-9]*\).*/\1/p"; }
[ "$(field Width)" = 640 ] || fail "client width $(field Width)"
[ "$(field Height)" = 480 ] || fail "client height $(field Height)"
[ "$(field 'Absolute upper-left X')" = 320 ] || fail "not centred horizontally"
[ "$(field 'Absolute upper-left Y')" = 272 ] || fail "not centred vertically"

start=$(date +%s%N)
set +e
timeout 5 "$game" >"$work/second.log" 2>&1
second=$?
set -e
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ "$second" = 0 ] || fail "second instance exited with $second"
[ "$elapsed_ms" -lt 2000 ] || fail "second instance took ${elapsed_ms} ms"
kill -0 "$game_pid" 2>/dev/null || fail "first instance ended"
[ "$(xdotool search --name '^Gridkeep$' | wc -l)" = 1 ] || fail "a second window appeared"

"$work/xclose" "$window"
for _ in $(seq 50); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "window closed but the program runs on"
set +e
wait "$game_pid"
status=$?
set -e
game_pid=""
[ "$status" = 0 ] || fail "exit status $status after closing"
echo "window test passed"
