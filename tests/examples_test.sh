#!/usr/bin/env bash
# Runs every example headless for a few seconds of frames and keeps its last frame as
# <example>.png beside it (the README's screenshots); fails when an example does not end with
# status 0 or its last frame is nearly one colour.
set -euo pipefail
cd "$1"
frames_of() { case "$1" in text) echo 200 ;; *) echo 100 ;; esac; }
for program in example_*; do
    name=${program#example_}
    dump=$(mktemp -d)
    GK_BACKEND=headless GK_FRAMES=$(frames_of "$name") GK_FRAME_DUMP="$dump" "./$program"
    last=$(ls "$dump" | tail -1)
    convert "$dump/$last" "$name.png"
    rm -rf "$dump"
    colours=$(identify -format %k "$name.png")
    echo "$name: $last, $colours colours"
    [ "$colours" -ge 4 ]
done
