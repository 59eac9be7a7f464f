# The resolution chooser driven with keys on a virtual display: ENTER alone
# gives 320x200, DOWN then ENTER 640x480, UP on the first entry and DOWN on
# the last stay there; the bar is checked line by line after every key, and
# each run ends with ESC and the exit output is checked line by line.
set -u
demo=$(realpath "$1")
source "$(dirname "$0")/../tools/xvfb-driver.sh"
ZELK_FRAME_CHECK="$(dirname "$demo")/frame_check"
trap zelk_cleanup EXIT
zelk_x_start || exit 1

# check_menu NAME BAR_Y: the menu as shown: the bar's 13 lines from BAR_Y
# down, red fading while blue rises (colours 193, 197, ... 241 of the menu's
# palette, entry 192 + i being (64 - i, 0, i)), across the whole window, and
# black lines just above and below it.
check_menu() {
    local name=$1 bar=$2 ppm j want x
    ppm=$(mktemp /tmp/zelk-menu-XXXXXX.ppm)
    zelk_capture_ppm "$ppm" || { rm -f "$ppm"; return 1; }
    # Lines bar - 1 to bar + 13 as "x,j: (r,g,b) ...", j counted from bar - 1.
    local seen
    seen=$(convert "$ppm" -crop "320x15+0+$((bar - 1))" +repage -depth 8 txt:- | awk '{print $1, $2}')
    rm -f "$ppm"
    local bad=0
    for j in -1 0 1 2 3 4 5 6 7 8 9 10 11 12 13; do
        if [ "$j" -lt 0 ] || [ "$j" -gt 12 ]; then
            want="(0,0,0)"
        else
            local r=$((63 - 4 * j)) b=$((1 + 4 * j))
            want="($(((r << 2) | (r >> 4))),0,$(((b << 2) | (b >> 4))))"
        fi
        for x in 0 5 319; do
            if ! grep -qxF "$x,$((j + 1)): $want" <<<"$seen"; then
                echo "$name: menu line $((bar + j)) at x $x is not $want:" \
                    "$(grep "^$x,$((j + 1)):" <<<"$seen")" >&2
                bad=1
            fi
        done
    done
    return $bad
}

fail=0
run_case() {
    local name=$1 size=$2
    shift 2
    local dir
    dir=$(zelk_workdir)
    zelk_demo_start "$demo" "$dir" || return 1
    [ "$(zelk_window_size)" = "320x200" ] || { echo "$name: menu window is $(zelk_window_size)" >&2; return 1; }
    local k bar=48
    sleep 0.3
    check_menu "$name" $bar || return 1
    for k in "$@"; do
        zelk_press "$k"
        sleep 0.3
        case $k in
        Up) [ $bar -gt 48 ] && bar=$((bar - 50)) ;;
        Down) [ $bar -lt 148 ] && bar=$((bar + 50)) ;;
        esac
        if [ "$k" != Return ]; then
            check_menu "$name" $bar || return 1
        fi
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
run_case "DOWN past the last entry, UP, ENTER" 640x480 Down Down Down Up Return || fail=1
exit $fail
