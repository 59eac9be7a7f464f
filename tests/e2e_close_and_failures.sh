# How the demo ends other than by ESC, on a virtual display: the window's
# close button in the frame loop gives the normal exit output; the close
# button while the chooser waits ends quietly; no display at all gives a
# message on standard error naming the cause, a non-zero status and nothing
# on standard output.
set -u
demo=$(realpath "$1")
tools=$(cd "$(dirname "$0")/../tools" && pwd)
source "$tools/xvfb-driver.sh"
ZELK_FRAME_CHECK="$(dirname "$demo")/frame_check"
trap zelk_cleanup EXIT
fail=0
bad() { echo "FAIL: $*" >&2; fail=1; }

# No display: the X server named does not exist.
dir=$(zelk_workdir)
(cd "$dir" && DISPLAY=:4095 timeout 60 "$demo" >"$dir/out" 2>"$dir/err")
rc=$?
[ $rc -ne 0 ] && [ $rc -ne 124 ] || bad "without a display the demo ended with status $rc"
[ ! -s "$dir/out" ] || bad "without a display the demo wrote to standard output: $(cat "$dir/out")"
grep -q "^zelk-demo: cannot start Allegro: .*DISPLAY is :4095" "$dir/err" ||
    bad "without a display the message was: $(cat "$dir/err")"
[ ! -e "$dir/scr.pcx" ] || bad "without a display a screenshot was left behind"
rm -rf "$dir"

zelk_x_start || exit 1

# The close button while the demo runs: the same end as ESC.
dir=$(zelk_workdir)
zelk_demo_start "$demo" "$dir" || exit 1
zelk_press Return
zelk_wait_hud 2 '^20$' 60 || exit 1
python3 "$tools/window-close.py" "$ZELK_WIN" || bad "cannot send the close request"
zelk_wait_exit 60 || bad "the close button did not end the run"
zelk_check_exit_output "$dir/out" || bad "exit output after the close button"
[ ! -s "$dir/err" ] || bad "messages after the close button: $(cat "$dir/err")"
rm -rf "$dir"

# The close button while the chooser waits: no mode, no output, status 0.
dir=$(zelk_workdir)
zelk_demo_start "$demo" "$dir" || exit 1
python3 "$tools/window-close.py" "$ZELK_WIN" || bad "cannot send the close request"
zelk_wait_exit 60 || bad "the close button did not end the chooser"
[ ! -s "$dir/out" ] || bad "closing the chooser wrote: $(cat "$dir/out")"
rm -rf "$dir"

[ $fail = 0 ] && echo "ok"
exit $fail
