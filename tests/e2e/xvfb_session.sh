# Sourced by the real-window tests: starts a private Xvfb on a free display number, points the
# game's runtime and system folders at a scratch folder, builds the close-box helper, and
# cleans everything up on exit. Provides fail, start_game, wait_window and window_field.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
xvfb_pid="" game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    # what the game and the X server said, so that a failure on a CI machine can be read
    tail -n 20 "$work/game.log" "$work/xvfb.log" >&2 2>/dev/null || true
    exit 1
}

display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
# A cold first start of the server can take seconds: wait until it answers (20 s at most).
for _ in $(seq 200); do xwininfo -root -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -root -display ":$display" >/dev/null 2>&1 || fail "Xvfb :$display does not answer"
export DISPLAY=":$display" XDG_RUNTIME_DIR="$work" GK_BACKEND=sdl GK_SYSTEM_DIR="$work"
export SDL_AUDIODRIVER=dummy
unset GK_WINDOW_SCALE

cc -o "$work/xclose" "$here/xclose.c" -lX11

# start_game PATH: runs the game in the background as game_pid.
start_game() {
    "$1" >"$work/game.log" 2>&1 &
    game_pid=$!
}

# wait_window TITLE: prints the id of the first window with exactly that title (30 s at most:
# a loaded machine may start the game slowly).
wait_window() {
    local id=""
    for _ in $(seq 300); do
        id="$(xwininfo -root -children | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\".*/\1/p" | head -1)"
        [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || fail "no window titled $1"
    printf '%d\n' "$id"
}

# settled_window TITLE: like wait_window, once the id has stayed the same for half a second
# (the screen set-up may replace the first window with one suited to its renderer).
settled_window() {
    local id previous=""
    for _ in $(seq 20); do
        id="$(wait_window "$1")" || exit 1
        [ "$id" = "$previous" ] && break
        previous="$id"
        sleep 0.5
    done
    echo "$id"
}

# window_field ID FIELD: one number of xwininfo's report, e.g. "Width".
window_field() {
    xwininfo -id "$1" | sed -n "s/^ *$2: *\(-\?[0-9]*\).*/\1/p"
}

# expect_exit STATUS: the game ends within 5 s with that exit status.
expect_exit() {
    for _ in $(seq 50); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$game_pid" 2>/dev/null && fail "the program runs on"
    local status=0
    wait "$game_pid" || status=$?
    game_pid=""
    [ "$status" = "$1" ] || fail "exit status $status, expected $1"
}

# colour_at PNG X Y: the colour of one pixel as a name: red, green, yellow, black, white or
# other (channels above 200 count as on, below 60 as off).
colour_at() {
    local hex
    hex="$(convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -1)"
    local r=$((16#${hex:1:2})) g=$((16#${hex:3:2})) b=$((16#${hex:5:2}))
    on() { [ "$1" -gt 200 ]; }
    off() { [ "$1" -lt 60 ]; }
    if on $r && off $g && off $b; then echo red
    elif off $r && on $g && off $b; then echo green
    elif on $r && on $g && off $b; then echo yellow
    elif on $r && on $g && on $b; then echo white
    elif off $r && off $g && off $b; then echo black
    else echo other; fi
}
