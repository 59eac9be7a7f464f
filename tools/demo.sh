#!/usr/bin/env bash
# Installs what is missing, builds the demo and runs it from the repository
# root, where its models and bitmaps are. With a display it simply opens the
# demo. Without one it tours the demo on a virtual display, saves a PNG of
# each stage in shots/ (or $ZELK_SHOTS) and prints the demo's exit output.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target zelk-demo frame_check >/dev/null

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    exec build/zelk-demo
fi

shots=${ZELK_SHOTS:-$root/shots}
mkdir -p "$shots"
rm -f "$shots"/*.png
echo "zelk: no display here; touring the demo on a virtual display, pictures in $shots" >&2

source tools/xvfb-driver.sh
ZELK_FRAME_CHECK=$root/build/frame_check
trap zelk_cleanup EXIT
zelk_x_start
logs=$(mktemp -d /tmp/zelk-tour-XXXXXX)
zelk_demo_start "$root/build/zelk-demo" "$root" "$logs"

step() {
    echo "zelk: $1" >&2
}
shot() {
    sleep 0.4
    zelk_capture "$shots/$1.png"
}

step "the resolution chooser"
shot 01-chooser
zelk_press Down
sleep 0.3
shot 02-chooser-640x480
zelk_press Return
zelk_wait_size 640x480
zelk_wait_hud 2 '^20$' 60

step "the three preset cameras: F1, F2, F9"
shot 03-camera-f1
zelk_press F2
zelk_wait_hud 2 '^6$' 30
shot 04-camera-f2
zelk_press F9
zelk_wait_hud 2 '^150$' 30
shot 05-camera-f9
zelk_press F1
zelk_wait_hud 2 '^20$' 30

step "the pointer moving the board cursor"
n=6
for p in "320 330" "420 300" "520 400"; do
    zelk_point $p
    shot "$(printf %02d $n)-cursor-$(zelk_hud_value 4)-$(zelk_hud_value 5)"
    n=$((n + 1))
done

step "turning with the right button"
xdotool mousedown --window "$ZELK_WIN" 3
sleep 0.3
for i in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove_relative -- -6 -1
    sleep 0.15
done
xdotool mouseup --window "$ZELK_WIN" 3
shot 09-turn

step "sliding with the right and left buttons"
xdotool mousedown --window "$ZELK_WIN" 1
xdotool mousedown --window "$ZELK_WIN" 3
sleep 0.3
for i in 1 2 3 4 5 6; do
    xdotool mousemove_relative -- 4 -2
    sleep 0.15
done
xdotool mouseup --window "$ZELK_WIN" 3
xdotool mouseup --window "$ZELK_WIN" 1
shot 10-slide

step "the board moved with keypad plus"
zelk_press KP_Add 0.01  # the board moves 0.25 a frame: a short press moves it a square or two
shot 11-board-moved

step "ENTER saves scr.pcx"
rm -f scr.pcx
zelk_press Return
for i in $(seq 50); do [ -s scr.pcx ] && break; sleep 0.1; done
sleep 0.3
convert scr.pcx "$shots/12-scr-pcx.png"

step "ESC ends the run"
zelk_press Escape
zelk_wait_exit 60
cat "$logs/out"
if [ -s "$logs/err" ]; then
    echo "zelk: the demo reported:" >&2
    cat "$logs/err" >&2
fi
rm -rf "$logs"
echo "zelk: pictures saved in $shots" >&2
