#!/usr/bin/env bash
# Message boxes over the real window: a game started without its block image shows the error
# box "エラー発生" and goes on after OK; Escape asks "メッセージ", No keeps the game running
# and Yes ends it with 0. Argument 1: path of gridkeep.
game="$(realpath "$1")"
source "$(dirname "$0")/xvfb_session.sh"

# over BOX WINDOW: the box overlaps the window and is stacked above it.
over() {
    local bx by bw bh wx wy
    bx=$(window_field "$1" 'Absolute upper-left X')
    by=$(window_field "$1" 'Absolute upper-left Y')
    bw=$(window_field "$1" Width)
    bh=$(window_field "$1" Height)
    wx=$(window_field "$2" 'Absolute upper-left X')
    wy=$(window_field "$2" 'Absolute upper-left Y')
    [ "$bx" -lt $((wx + 640)) ] && [ $((bx + bw)) -gt "$wx" ] || return 1
    [ "$by" -lt $((wy + 480)) ] && [ $((by + bh)) -gt "$wy" ] || return 1
    # xwininfo lists the root's children from the top of the stack down.
    local order
    order="$(xwininfo -root -children | grep -oE '^ +0x[0-9a-f]+' | tr -d ' ')"
    local first
    first="$(echo "$order" | grep -nxE "$(printf '0x%x' "$1")|$(printf '0x%x' "$2")" | head -1)"
    [ "${first#*:}" = "$(printf '0x%x' "$1")" ]
}

# present TITLE [TENTHS]: a window with that title is on the screen (waiting up to TENTHS/10 s).
present() {
    for _ in $(seq "${2:-1}"); do
        xwininfo -root -children | grep -qF "\"$1\"" && return 0
        sleep 0.1
    done
    return 1
}

# press WINDOW KEY TITLE UNTIL: focuses the window and types the key, again each second while
# the box TITLE is not yet UNTIL ("shown" or "gone"); a key may be lost while a window maps.
press() {
    for _ in $(seq 5); do
        xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null || true
        xdotool key "$2"
        if [ "$4" = shown ]; then present "$3" 10 && return 0; fi
        if [ "$4" = gone ]; then
            for _ in $(seq 10); do present "$3" || return 0; sleep 0.1; done
        fi
    done
    fail "$2 left the box $3 not $4"
}

# Without bmp/block.bmp beside it the game reports the failed load.
mkdir "$work/alone"
cp "$game" "$work/alone/gridkeep"
start_game "$work/alone/gridkeep"
window="$(wait_window Gridkeep)"
box="$(wait_window "エラー発生")"
over "$box" "$window" || fail "error box not over the game window"
press "$box" Return "エラー発生" gone
kill -0 "$game_pid" 2>/dev/null || fail "game ended after the error box"
"$work/xclose" "$(settled_window Gridkeep)"
expect_exit 0

start_game "$game"
window="$(settled_window Gridkeep)"
press "$window" Escape "メッセージ" shown
box="$(wait_window "メッセージ")"
over "$box" "$window" || fail "question box not over the game window"
press "$box" Escape "メッセージ" gone  # No
sleep 0.3
kill -0 "$game_pid" 2>/dev/null || fail "No ended the game"

press "$window" Escape "メッセージ" shown
press "$(wait_window "メッセージ")" Return "メッセージ" gone  # Yes
expect_exit 0
echo "message box test passed"
