# Shell functions, sourced by packaging/make-icons and tools/test-package: a private Xvfb
# server and one viewer on it, each waited for with a time limit and each ended by its own
# process id. The caller's EXIT trap must call x_session_stop.

x_session_xvfb_pid=""
x_session_viewer_pid=""
x_session_viewer_status=""
x_session_window=""
x_session_dir=""

x_session_title="(1 / 2 / 3) - Viewpoints.  (+ / -) - Recursion depth.  Any other key - next model"

x_session_fail() {
    echo "error: $*" >&2
    return 1
}

x_session_with_xvfb="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tools/with-xvfb"

# Starts Xvfb on a free display through tools/with-xvfb, waits until it answers and exports
# DISPLAY.
x_session_start_xvfb() {
    local display=""
    x_session_dir=$(mktemp -d "${TMPDIR:-/tmp}/scene-viewer-x.XXXXXX")
    mkfifo "$x_session_dir/display"
    # with-xvfb writes the display to the pipe once the server answers, or closes it unwritten
    # when it gives up; it keeps the server until x_session_stop terminates it.
    "$x_session_with_xvfb" --display-fd 3 3>"$x_session_dir/display" >"$x_session_dir/xvfb.log" 2>&1 &
    x_session_xvfb_pid=$!
    read -r -t 30 display <"$x_session_dir/display" || true
    if [ -z "$display" ]; then
        cat "$x_session_dir/xvfb.log" >&2
        x_session_fail "Xvfb did not start"
        return
    fi
    export DISPLAY=$display
}

# Starts the viewer at path $1 (further arguments go to it) and waits at most 20 s for its
# window; sets x_session_window. The viewer's output goes to $x_session_dir/viewer.log.
x_session_start_viewer() {
    local viewer=$1
    shift
    [ -x "$viewer" ] || x_session_fail "no viewer executable at $viewer" || return
    x_session_viewer_status=""
    "$viewer" "$@" >"$x_session_dir/viewer.log" 2>&1 &
    x_session_viewer_pid=$!
    # The title holds regular-expression characters, so search for one plain word of it and
    # compare the whole title afterwards.
    x_session_window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$x_session_viewer_pid" \
        --name 'Viewpoints' 2>/dev/null | head -n 1) || true
    if [ -z "$x_session_window" ]; then
        cat "$x_session_dir/viewer.log" >&2
        x_session_fail "no window of $viewer appeared within 20 s"
        return
    fi
}

# Gives the viewer's window the keyboard focus and types the keys given (xdotool key names).
x_session_keys() {
    timeout 10 xdotool windowfocus --sync "$x_session_window" &&
        timeout 10 xdotool key --delay 50 "$@"
}

# Waits at most $1 seconds for the viewer to end; sets x_session_viewer_status.
x_session_wait_viewer() {
    local limit=$1 i
    for i in $(seq $((limit * 10))); do
        kill -0 "$x_session_viewer_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$x_session_viewer_pid" 2>/dev/null; then
        x_session_fail "the viewer did not end within $limit s"
        return
    fi
    x_session_viewer_status=0
    wait "$x_session_viewer_pid" || x_session_viewer_status=$?
    x_session_viewer_pid=""
}

# Ends whatever of the viewer and Xvfb still runs, and removes the session's files.
x_session_stop() {
    local pid
    for pid in "$x_session_viewer_pid" "$x_session_xvfb_pid"; do
        [ -n "$pid" ] || continue
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
        fi
        wait "$pid" 2>/dev/null || true
    done
    x_session_viewer_pid=""
    x_session_xvfb_pid=""
    if [ -n "$x_session_dir" ]; then
        rm -rf "$x_session_dir"
    fi
    x_session_dir=""
    return 0
}
