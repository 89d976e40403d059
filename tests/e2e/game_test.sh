#!/usr/bin/env bash
# The board game in a real window under Xvfb, driven with xdotool and checked from screenshots
# of the client area: the arrows move the green cursor one cell per press, Enter shows a block
# and changes exactly one printed flag, the yellow marker follows the pointer, and Escape opens
# a box titled "メッセージ" whose Yes (Return) ends the program with 0.
# Argument 1: path of gridkeep. Leaves a screenshot of play as gridkeep.png here.
game="$(realpath "$1")"
out="$(pwd)"
source "$(dirname "$0")/xvfb_session.sh"
unset GK_DISPLAY_FORMAT

start_game "$game"
window="$(settled_window Gridkeep)"

shot() {
    sleep 0.4
    timeout 20 import -window "$window" "$work/$1.png" || fail "no screenshot $1"
}
colour() { colour_at "$work/$1.png" "$2" "$3"; }
expect() { [ "$(colour "$1" "$2" "$3")" = "$4" ] || fail "$5: ($2,$3) is $(colour "$1" "$2" "$3"), not $4"; }
press() { timeout 20 xdotool key --delay 120 "$@" || fail "keys $*"; }
# Focus can already be where it is asked for; the wait for it is bounded.
focus() { timeout 5 xdotool windowfocus --sync "$1" || true; }
# How many of the nine printed flag cells differ between two screenshots.
changed_flags() {
    local count=0 row column a b geometry
    for row in 0 1 2; do
        for column in 0 1 2; do
            geometry="24x24+$((300 + 30 * column))+$((50 + 30 * row))"
            a="$(convert "$work/$1.png" -crop "$geometry" +repage -depth 8 rgb:- | md5sum)"
            b="$(convert "$work/$2.png" -crop "$geometry" +repage -depth 8 rgb:- | md5sum)"
            [ "$a" = "$b" ] || count=$((count + 1))
        done
    done
    echo "$count"
}

focus "$window"
xdotool mousemove --window "$window" 600 440
shot start
expect start 320 240 green "cursor on the centre cell at start"
expect start 280 200 red "board outline"

press Right
shot right
expect right 360 240 green "cursor one cell right"
expect right 320 260 red "centre cell outline once the cursor left"
press Left Up
shot up
expect up 320 200 green "cursor one cell up from the centre"

press Return
shot placed
[ "$(changed_flags up placed)" = 1 ] || fail "Enter changed $(changed_flags up placed) flags, not one"
[ "$(colour placed 340 220)" != black ] || fail "no block drawn in the cursor cell"

xdotool mousemove --window "$window" 100 100
shot mouse
expect mouse 100 100 yellow "marker under the pointer"
expect mouse 90 90 red "marker outline"
xdotool mousemove --window "$window" 150 380
shot moved
expect moved 150 380 yellow "marker follows the pointer"
expect moved 100 100 black "old marker place cleared"
cp "$work/moved.png" "$out/gridkeep.png"

press Escape
box="$(wait_window メッセージ)"
focus "$box"
press Return
expect_exit 0
echo "game test passed"
