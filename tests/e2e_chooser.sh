# The resolution chooser driven with keys on a virtual display: ENTER alone
# gives 320x200, DOWN then ENTER 640x480, UP on the first entry stays there;
# each run ends with ESC and the exit output is checked line by line.
set -u
demo=$(realpath "$1")
source "$(dirname "$0")/../tools/xvfb-driver.sh"
ZELK_FRAME_CHECK="$(dirname "$demo")/frame_check"
trap zelk_cleanup EXIT
zelk_x_start || exit 1

fail=0
run_case() {
    local name=$1 size=$2
    shift 2
    local dir
    dir=$(zelk_workdir)
    zelk_demo_start "$demo" "$dir" || return 1
    [ "$(zelk_window_size)" = "320x200" ] || { echo "$name: menu window is $(zelk_window_size)" >&2; return 1; }
    local k
    for k in "$@"; do
        zelk_press "$k"
        sleep 0.3
    done
    zelk_wait_size "$size" 30 || { echo "$name: wrong mode" >&2; return 1; }
    zelk_wait_hud 2 '^20$' 60 || return 1
    zelk_press Escape
    zelk_wait_exit 60 || return 1
    zelk_check_exit_output "$dir/out" || { echo "$name: exit output" >&2; cat "$dir/out" >&2; return 1; }
    echo "$name: ok"
    rm -rf "$dir"
}

run_case "ENTER alone" 320x200 Return || fail=1
run_case "DOWN, ENTER" 640x480 Down Return || fail=1
run_case "UP on the first entry, ENTER" 320x200 Up Return || fail=1
exit $fail
