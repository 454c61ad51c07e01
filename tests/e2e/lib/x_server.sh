# Shared by the end-to-end checks: sourced, never run as a check of its own.
# need_tools TOOL...   skips the check (exit 0) when a tool is missing.
# start_x_server [WxH] makes $work, starts Xvfb on a free display and waits for it; on exit, on
#                      a signal, or when this shell is killed, the program ($app, when set),
#                      the server and $work go.
# wait_window TITLE    prints the id of the window captioned exactly TITLE once it is shown.
# poll CHECK...        runs CHECK until it succeeds, for up to a minute; its last failure is the result.
# shot ID FILE         a screenshot of a window.
# stop_app             ends the program started as $app.
need_tools() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 0; }
    done
}

poll() {
    # Up to 60 seconds: a sanitizer build on a busy machine starts slowly.
    local end=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$end" ]; do
        "$@" 2>/dev/null && return 0
        sleep 0.1
    done
    "$@"
}

start_x_server() {
    work=$(mktemp -d)
    app=
    xvfb=
    # The server and the program end with the check, however it ends: a failure, a timeout's
    # signal or an interrupt (the EXIT trap runs on the exit that each signal's trap makes).
    trap 'cleanup_x_server' EXIT
    trap 'exit 129' HUP
    trap 'exit 130' INT
    trap 'exit 143' TERM
    # The server picks a free display itself (one whose sockets no other server holds, lock file
    # or not) and writes its number when it is ready; every client below is given that display.
    # It runs in a process group of its own, which the clean-up ends whole. It never resets: a
    # server resets when its last client leaves (each poll's xwininfo), and a program that
    # connects during the reset finds no display.
    setsid Xvfb -displayfd 3 -screen 0 "${1:-1024x600}x24" -nolisten tcp -noreset 3>"$work/display" \
        </dev/null >/dev/null 2>&1 &
    xvfb=$!
    # Should this shell be killed outright (SIGKILL), the server still goes with it.
    (
        while kill -0 $$ 2>/dev/null; do sleep 1; done
        kill -- -"$xvfb" 2>/dev/null
    ) </dev/null >/dev/null 2>&1 &
    poll test -s "$work/display"
    export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
    unset QT_QPA_PLATFORM XAUTHORITY WAYLAND_DISPLAY
    poll xwininfo -root >/dev/null
}

window_id() {
    xwininfo -root -tree | grep -F "\"$1\"" | awk '{print $1; exit}' | grep .
}

wait_window() {
    poll window_id "$1" || { echo "no window captioned \"$1\"" >&2; cat "$work/out.log" >&2; return 1; }
}

shot() {
    import -window "$1" "$2"
}

stop_app() {
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=
}

cleanup_x_server() {
    trap - EXIT HUP INT TERM
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    if [ -n "${xvfb:-}" ]; then
        kill -- -"$xvfb" 2>/dev/null || kill "$xvfb" 2>/dev/null || true
        # Gone before the next check starts its own: its sockets are released by then.
        for _ in $(seq 50); do kill -0 "$xvfb" 2>/dev/null || break; sleep 0.1; done
        kill -KILL -- -"$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$work"
}
