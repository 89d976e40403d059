#!/usr/bin/env bash
# A game played in the real window under Xvfb with GK_RECORD (xdotool moves the cursor, places
# two blocks, moves the pointer, then quits through the Escape box) and replayed headless with
# GK_REPLAY: the replay ends by itself with 0 and its last frame is the window's last picture.
# Argument 1: path of gridkeep.
game="$(realpath "$1")"
source "$(dirname "$0")/xvfb_session.sh"
unset GK_DISPLAY_FORMAT GK_FRAMES GK_HEADLESS_FPS GK_REPLAY

press() { timeout 20 xdotool key --delay 120 "$@" || fail "keys $*"; }
export GK_RECORD="$work/run.txt"
start_game "$game"
window="$(settled_window Gridkeep)"
timeout 5 xdotool windowfocus --sync "$window" || true
press Right Return Up Up Return Left
xdotool mousemove --window "$window" 200 120
sleep 0.5
timeout 20 import -window "$window" "$work/window.png" || fail "no screenshot"
press Escape
box="$(wait_window メッセージ)"
timeout 5 xdotool windowfocus --sync "$box" || true
press Return
expect_exit 0
unset GK_RECORD
grep -q '^[0-9]* WM_KEYDOWN 0x27 ' "$work/run.txt" || fail "Right not recorded"
grep -q '^[0-9]* box 6$' "$work/run.txt" || fail "the Yes answer not recorded"

mkdir "$work/frames"
status=0
GK_BACKEND=headless GK_REPLAY="$work/run.txt" GK_FRAME_DUMP="$work/frames" \
    timeout 60 "$game" >"$work/replay.log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "replay exited with $status: $(cat "$work/replay.log")"
last="$(ls "$work/frames" | tail -1)"
[ -n "$last" ] || fail "the replay presented nothing"
# Channels compared to 5 bits: the window and the dump may widen 16-bit pixels differently.
differing="$(compare -metric AE -fuzz 4% "$work/window.png" "$work/frames/$last" null: 2>&1 || true)"
[ "$differing" = 0 ] || fail "the replay's last frame differs from the window in $differing pixels"
[ "$(colour_at "$work/frames/$last" 320 200)" = green ] || fail "cursor not where it was left"
echo "replay test passed"
