#!/usr/bin/env bash
# The real window under Xvfb: caption "Gridkeep", a 640x480 client area centred on the screen,
# a second copy exits 0 within two seconds while the first keeps running, and closing the
# window from the close box ends the program with 0. Argument 1: path of gridkeep.
game="$(realpath "$1")"
source "$(dirname "$0")/xvfb_session.sh"

start_game "$game"
window="$(settled_window Gridkeep)"
[ "$(xdotool getwindowname "$window")" = "Gridkeep" ] || fail "title"
[ "$(window_field "$window" Width)" = 640 ] || fail "client width"
[ "$(window_field "$window" Height)" = 480 ] || fail "client height"
[ "$(window_field "$window" 'Absolute upper-left X')" = 320 ] || fail "not centred horizontally"
[ "$(window_field "$window" 'Absolute upper-left Y')" = 272 ] || fail "not centred vertically"

start=$(date +%s%N)
second=0
timeout 5 "$game" >"$work/second.log" 2>&1 || second=$?
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ "$second" = 0 ] || fail "second instance exited with $second"
[ "$elapsed_ms" -lt 2000 ] || fail "second instance took ${elapsed_ms} ms"
kill -0 "$game_pid" 2>/dev/null || fail "first instance ended"
[ "$(xdotool search --name '^Gridkeep$' | wc -l)" = 1 ] || fail "a second window appeared"

"$work/xclose" "$window"
expect_exit 0
echo "window test passed"
