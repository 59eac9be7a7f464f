# Drives the demo on a virtual display, for the end-to-end tests and the
# tour: starts Xvfb on a free display, starts zelk-demo in a working folder,
# presses keys, moves and clicks the mouse, captures and reads frames.
# Sourced by tests/e2e_*.sh and tools/demo.sh; needs Xvfb, xdotool, import.

zelk_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZELK_XVFB_PID=
ZELK_DEMO_PID=
ZELK_WIN=
ZELK_HOLD=${ZELK_HOLD:-0.3}  # seconds a key is held: long enough for a slow frame

# Starts Xvfb on the first free display from :90 and exports DISPLAY.
zelk_x_start() {
    local n i
    for n in $(seq 90 160); do
        [ -e "/tmp/.X$n-lock" ] && continue
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        ZELK_XVFB_PID=$!
        export DISPLAY=":$n"
        for i in $(seq 100); do
            if xdotool getdisplaygeometry >/dev/null 2>&1; then
                return 0
            fi
            kill -0 "$ZELK_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$ZELK_XVFB_PID" 2>/dev/null
        wait "$ZELK_XVFB_PID" 2>/dev/null
        ZELK_XVFB_PID=
    done
    echo "zelk: cannot start a virtual display (Xvfb)" >&2
    return 1
}

# Stops the demo (if it still runs) and the virtual display.
zelk_cleanup() {
    if [ -n "$ZELK_DEMO_PID" ] && kill -0 "$ZELK_DEMO_PID" 2>/dev/null; then
        kill "$ZELK_DEMO_PID" 2>/dev/null
        wait "$ZELK_DEMO_PID" 2>/dev/null
    fi
    ZELK_DEMO_PID=
    if [ -n "$ZELK_XVFB_PID" ]; then
        kill "$ZELK_XVFB_PID" 2>/dev/null
        wait "$ZELK_XVFB_PID" 2>/dev/null
    fi
    ZELK_XVFB_PID=
}

# A working folder that sees the repository's models and bitmaps, so that
# screenshots land there and not in the repository.
zelk_workdir() {
    local d
    d=$(mktemp -d /tmp/zelk-run-XXXXXX)
    ln -s "$zelk_root/models" "$d/models"
    ln -s "$zelk_root/bitmaps" "$d/bitmaps"
    echo "$d"
}

# zelk_demo_start BINARY WORKDIR: starts the demo there, with standard
# output in WORKDIR/out and standard error in WORKDIR/err, and waits up to
# 60 s for its window.
zelk_demo_start() {
    local bin=$1 dir=$2 i
    (cd "$dir" && exec "$bin" >"$dir/out" 2>"$dir/err") &
    ZELK_DEMO_PID=$!
    for i in $(seq 600); do
        ZELK_WIN=$(xdotool search --name '^zelk-demo$' 2>/dev/null | head -n 1)
        if [ -n "$ZELK_WIN" ]; then
            sleep 0.5  # let the menu draw itself
            return 0
        fi
        kill -0 "$ZELK_DEMO_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "zelk: the demo's window did not appear" >&2
    cat "$dir/err" >&2
    return 1
}

# zelk_press KEY [SECONDS]: holds a key down for a while, then lets it go.
# A key tapped faster than a frame could be missed, as with a real keyboard.
zelk_press() {
    xdotool keydown --window "$ZELK_WIN" "$1"
    sleep "${2:-$ZELK_HOLD}"
    xdotool keyup --window "$ZELK_WIN" "$1" 2>/dev/null
    return 0
}

# zelk_capture FILE.png: the window's content.
zelk_capture() {
    import -window "$ZELK_WIN" "$1"
}

# zelk_hud: the six heads-up lines of the current frame, read back.
zelk_hud() {
    local tmp
    tmp=$(mktemp /tmp/zelk-hud-XXXXXX.ppm)
    import -window "$ZELK_WIN" -depth 8 "ppm:$tmp" && "$ZELK_FRAME_CHECK" hud "$tmp"
    rm -f "$tmp"
}

# zelk_wait_hud REGEX [SECONDS]: waits until a heads-up line matches.
zelk_wait_hud() {
    local end=$((SECONDS + ${2:-30}))
    while [ $SECONDS -lt $end ]; do
        if zelk_hud | grep -Eq "$1"; then
            return 0
        fi
        sleep 0.2
    done
    echo "zelk: the heads-up text never showed /$1/; last seen:" >&2
    zelk_hud >&2
    return 1
}

# zelk_hud_value LABEL: the number after "LABEL ... :" in the current frame.
zelk_hud_value() {
    zelk_hud | sed -n "s/^$1 *: *//p"
}

# zelk_window_size: WIDTHxHEIGHT of the demo's window.
zelk_window_size() {
    xdotool getwindowgeometry "$ZELK_WIN" | sed -n 's/.*Geometry: *//p'
}

# zelk_wait_size WxH [SECONDS]: waits until the window has that size.
zelk_wait_size() {
    local end=$((SECONDS + ${2:-30}))
    while [ $SECONDS -lt $end ]; do
        [ "$(zelk_window_size)" = "$1" ] && return 0
        sleep 0.2
    done
    echo "zelk: the window is $(zelk_window_size), not $1" >&2
    return 1
}

# zelk_wait_exit [SECONDS]: waits for the demo to end; fails if it does not
# or ends with a non-zero status.
zelk_wait_exit() {
    local end=$((SECONDS + ${1:-30})) rc
    while [ $SECONDS -lt $end ]; do
        if ! kill -0 "$ZELK_DEMO_PID" 2>/dev/null; then
            wait "$ZELK_DEMO_PID"
            rc=$?
            ZELK_DEMO_PID=
            [ $rc -eq 0 ] && return 0
            echo "zelk: the demo ended with status $rc" >&2
            return 1
        fi
        sleep 0.2
    done
    echo "zelk: the demo did not end" >&2
    return 1
}

# zelk_check_exit_output FILE: the banner and the frame-rate lines, line by line.
zelk_check_exit_output() {
    local file=$1 n=0 line ok=0
    local want=(
        "ZELK - a software 3D engine in 256 colours and 16.16 fixed point"
        "Board, cameras and models drawn in software by the ZELK team"
        "" "" ""
        "Please e-mail all comments to zelk@users.noreply.zelk-engine.org"
        $'\t . . . and watch for the ZELK library (coming soon)'
        "" ""
    )
    while IFS= read -r line || [ -n "$line" ]; do
        if [ $n -lt ${#want[@]} ]; then
            if [ "$line" != "${want[$n]}" ]; then
                echo "zelk: exit output line $((n + 1)) is '$line', not '${want[$n]}'" >&2
                ok=1
            fi
        elif [ $n -eq ${#want[@]} ]; then
            if ! [[ $line =~ ^At\ exit\ :\ [0-9]+\ fps$ ]]; then
                echo "zelk: exit output line $((n + 1)) is '$line', not the At exit rate" >&2
                ok=1
            fi
        elif [ $n -eq $((${#want[@]} + 1)) ]; then
            if ! [[ $line =~ ^Average\ :\ [0-9]+\ fps$ ]]; then
                echo "zelk: exit output line $((n + 1)) is '$line', not the Average rate" >&2
                ok=1
            fi
        else
            echo "zelk: exit output has an extra line '$line'" >&2
            ok=1
        fi
        n=$((n + 1))
    done <"$file"
    if [ $n -le ${#want[@]} ]; then
        echo "zelk: exit output ends after $n lines" >&2
        ok=1
    fi
    return $ok
}
