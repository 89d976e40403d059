#!/usr/bin/env bash
# GK_WINDOW_SCALE=2 doubles the window and maps the pointer back to game pixels: the window is
# 1280x960 and the marker drawn around game pixel (100, 100) sits under window pixel (200, 200).
# Argument 1: path of gridkeep.
game="$(realpath "$1")"
source "$(dirname "$0")/xvfb_session.sh"
export GK_WINDOW_SCALE=2

start_game "$game"
window="$(settled_window Gridkeep)"
[ "$(window_field "$window" Width)" = 1280 ] || fail "width $(window_field "$window" Width)"
[ "$(window_field "$window" Height)" = 960 ] || fail "height $(window_field "$window" Height)"

xdotool mousemove --window "$window" 200 200
sleep 0.5
import -window "$window" "$work/shot.png"
pixel() { colour_at "$work/shot.png" "$1" "$2"; }
[ "$(pixel 200 200)" = yellow ] || fail "no yellow marker under the pointer: $(pixel 200 200)"
[ "$(pixel 181 181)" = red ] || fail "marker outline not at game pixel 90: $(pixel 181 181)"
[ "$(pixel 178 178)" = black ] || fail "marker larger than in game pixels: $(pixel 178 178)"
echo "scaled window test passed"
