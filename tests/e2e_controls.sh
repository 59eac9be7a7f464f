# The running demo's controls on a virtual display at 320x200, driven with
# xdotool: the pointer moves the board cursor, ENTER writes scr.pcx holding
# the board and the text but no models, a right-button drag moves the camera,
# both buttons slide it, keypad plus held moves the board, ESC ends the run
# with the exit output.
set -u
demo=$(realpath "$1")
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/../tools/xvfb-driver.sh"
ZELK_FRAME_CHECK="$(dirname "$demo")/frame_check"
trap zelk_cleanup EXIT
zelk_x_start || exit 1

dir=$(zelk_workdir)
zelk_demo_start "$demo" "$dir" || exit 1
zelk_press Return
zelk_wait_size 320x200 || exit 1
zelk_wait_hud 2 '^20$' 60 || exit 1
fail=0
say() { echo "$*"; }
bad() { echo "FAIL: $*" >&2; fail=1; }

# The pointer over two squares of the F1 view: the cursor follows it.
zelk_point 160 150
x1=$(zelk_hud_value 4) y1=$(zelk_hud_value 5)
zelk_point 250 130
x2=$(zelk_hud_value 4) y2=$(zelk_hud_value 5)
say "cursor at ($x1, $y1), then ($x2, $y2)"
[ "$x1,$y1" = "7,9" ] || bad "pointer at (160, 150): cursor ($x1, $y1), not (7, 9)"
[ "$x2,$y2" != "$x1,$y1" ] || bad "the cursor did not follow the pointer"
# Out over the sky: no square there, the cursor stays.
zelk_point 300 40
[ "$(zelk_hud_value 4),$(zelk_hud_value 5)" = "$x2,$y2" ] || bad "the cursor moved over the sky: $(zelk_hud_value 4),$(zelk_hud_value 5)"

# ENTER: the frame so far, board and text without models or pointer.
rm -f "$dir/scr.pcx"
zelk_press Return
for i in $(seq 50); do [ -s "$dir/scr.pcx" ] && break; sleep 0.1; done
if [ -s "$dir/scr.pcx" ]; then
    sleep 0.3  # let a frame still holding ENTER finish its file
    counts=$("$ZELK_FRAME_CHECK" pixels "$dir/scr.pcx")
    hud=$("$ZELK_FRAME_CHECK" hud "$dir/scr.pcx")
    say "scr.pcx: $counts"
    board=$(echo "$counts" | awk '{print $2}')
    models=$(echo "$counts" | awk '{print $4}')
    [ "$models" = 0 ] || bad "scr.pcx holds $models pixels in model colours"
    [ "$board" -gt 10000 ] || bad "scr.pcx holds only $board board pixels"
    echo "$hud" | grep -q "^CAM Y     : 20$" || bad "scr.pcx lacks the text: $hud"
    echo "$hud" | grep -q "^CURS X    : $x2$" || bad "scr.pcx shows another cursor: $hud"
else
    bad "ENTER wrote no scr.pcx"
fi

# Right button alone, mouse pushed away: the camera moves forward.
z0=$(zelk_hud_value 3)
xdotool mousedown --window "$ZELK_WIN" 3
sleep 0.3
for i in 1 2 3 4 5 6; do
    xdotool mousemove_relative -- 0 -6
    sleep 0.15
done
xdotool mouseup --window "$ZELK_WIN" 3
sleep 0.5
z1=$(zelk_hud_value 3)
say "CAM Z $z0 -> $z1 after a right-button drag"
[ -n "$z1" ] && [ "$z1" -gt "$z0" ] || bad "a right-button drag left CAM Z at $z1"

# Both buttons, mouse to the right: the camera slides sideways.
cx0=$(zelk_hud_value 1)
xdotool mousedown --window "$ZELK_WIN" 1
xdotool mousedown --window "$ZELK_WIN" 3
sleep 0.3
for i in 1 2 3 4 5 6; do
    xdotool mousemove_relative -- 6 0
    sleep 0.15
done
xdotool mouseup --window "$ZELK_WIN" 3
xdotool mouseup --window "$ZELK_WIN" 1
sleep 0.5
cx1=$(zelk_hud_value 1)
say "CAM X $cx0 -> $cx1 after a slide"
[ -n "$cx1" ] && [ "$cx1" -lt "$cx0" ] || bad "a slide to the right left CAM X at $cx1"

# Keypad plus held: only the board moves, the camera stays.
zelk_capture_ppm "$dir/before.ppm"
zelk_press KP_Add 1
sleep 0.3
zelk_capture_ppm "$dir/after.ppm"
if "$ZELK_FRAME_CHECK" compare "$dir/before.ppm" "$dir/after.ppm" >/dev/null; then
    bad "keypad plus did not move the board"
fi
[ "$(zelk_hud_value 3)" = "$z1" ] || bad "keypad plus moved the camera"

zelk_press Escape
zelk_wait_exit 60 || fail=1
zelk_check_exit_output "$dir/out" || fail=1
[ $fail = 0 ] && rm -rf "$dir"
exit $fail
