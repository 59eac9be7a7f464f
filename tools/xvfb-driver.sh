# Drives the demo on a virtual display, for the end-to-end tests and the
# tour: starts Xvfb on a free display, starts zelk-demo in a working folder,
# presses keys, moves and clicks the mouse, captures and reads frames.
# Sourced by tests/e2e_*.sh and tools/demo.sh; needs Xvfb, xdotool, import.

zelk_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZELK_XVFB_PID=
ZELK_DEMO_PID=
ZELK_WIN=
ZELK_HOLD=${ZELK_HOLD:-0.3}  # seconds a key is held: long enough for a slow frame

# Starts Xvfb on a display of its own choosing (it takes the first free
# one under its lock, so parallel runs never share one) and exports DISPLAY.
zelk_x_start() {
    local f n i
    f=$(mktemp /tmp/zelk-display-XXXXXX)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$f" >/dev/null 2>&1 &
    ZELK_XVFB_PID=$!
    for i in $(seq 300); do
        n=$(tr -dc 0-9 <"$f")
        if [ -n "$n" ]; then
            rm -f "$f"
            export DISPLAY=":$n"
            xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
            break
        fi
        kill -0 "$ZELK_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$f"
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

# zelk_demo_start BINARY WORKDIR [LOGDIR]: starts the demo in WORKDIR, with
# standard output in LOGDIR/out and standard error in LOGDIR/err (LOGDIR is
# WORKDIR unless given), and waits up to 60 s for its window. On a loaded
# machine a fresh virtual display can refuse the demo's first connection;
# a demo that ends because Allegro found no usable display is started again,
# twice at most.
zelk_demo_start() {
    local bin=$1 dir=$2 log=${3:-$2} i try
    for try in 1 2 3; do
        (cd "$dir" && exec "$bin" >"$log/out" 2>"$log/err") &
        ZELK_DEMO_PID=$!
        for i in $(seq 600); do
            ZELK_WIN=$(xdotool search --name '^zelk-demo$' 2>/dev/null | head -n 1)
            if [ -n "$ZELK_WIN" ] && [ "$(zelk_lit)" -gt 0 ] 2>/dev/null; then
                sleep 0.3  # the menu is drawn; let the demo reach its key wait
                return 0
            fi
            kill -0 "$ZELK_DEMO_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$ZELK_DEMO_PID" 2>/dev/null && break
        wait "$ZELK_DEMO_PID" 2>/dev/null
        grep -q "cannot start Allegro" "$log/err" 2>/dev/null || break
        echo "zelk: the demo found no usable display; starting it again" >&2
        sleep 1
    done
    echo "zelk: the demo's window did not appear" >&2
    cat "$log/err" >&2
    return 1
}

# zelk_lit: how many pixels of the window are not black.
zelk_lit() {
    local tmp n
    tmp=$(mktemp /tmp/zelk-lit-XXXXXX.ppm)
    import -window "$ZELK_WIN" -depth 8 "ppm:$tmp" 2>/dev/null && n=$("$ZELK_FRAME_CHECK" lit "$tmp")
    rm -f "$tmp"
    echo "${n:-0}"
}

# zelk_press KEY [SECONDS]: holds a key down for a while, then lets it go.
# A key tapped faster than a frame could be missed, as with a real keyboard.
zelk_press() {
    # The window may be gone by the time ESC is let go.
    xdotool keydown --window "$ZELK_WIN" "$1" 2>/dev/null || true
    sleep "${2:-$ZELK_HOLD}"
    xdotool keyup --window "$ZELK_WIN" "$1" 2>/dev/null || true
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

# zelk_hud_value LINE: the value shown on heads-up line LINE (1 CAM X,
# 2 CAM Y, 3 CAM Z, 4 CURS X, 5 CURS Y, 6 FPS). Read by line rather than by
# label, since the pointer may cover the labels.
zelk_hud_value() {
    zelk_hud | sed -n "$1{s/^.*: *//;p}"
}

# zelk_wait_hud LINE REGEX [SECONDS]: waits until heads-up line LINE's value
# matches REGEX.
zelk_wait_hud() {
    local end=$((SECONDS + ${3:-30}))
    while [ $SECONDS -lt $end ]; do
        if zelk_hud_value "$1" | grep -Eq "$2"; then
            return 0
        fi
        sleep 0.2
    done
    echo "zelk: heads-up line $1 never showed /$2/; the text reads:" >&2
    zelk_hud >&2
    return 1
}

# zelk_capture_ppm FILE.ppm: the window's content as an 8-bit binary PPM.
zelk_capture_ppm() {
    import -window "$ZELK_WIN" -depth 8 "ppm:$1"
}

# zelk_point X Y: puts the pointer at (X, Y) in the window. The demo follows
# pointer motion, so the pointer is first brought in at the top-left corner
# (where the demo put it) and then moved; a last one-pixel nudge makes the
# demo pick the square under the pointer once it is drawn there.
zelk_point() {
    xdotool mousemove --window "$ZELK_WIN" 0 0
    sleep 0.2
    xdotool mousemove --window "$ZELK_WIN" "$(($1 + 1))" "$2"
    sleep 0.3
    xdotool mousemove --window "$ZELK_WIN" "$1" "$2"
    sleep 0.3
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
            rc=0
            wait "$ZELK_DEMO_PID" || rc=$?
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
