# Shared by the end-to-end checks: sourced, never run as a check of its own.
# need_tools TOOL...   skips the check (exit 0) when a tool is missing.
# start_x_server [WxH] makes $work, starts Xvfb on a free display and waits for it; on exit the
#                      program ($app, when set), the server and $work go.
need_tools() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 0; }
    done
}

start_x_server() {
    work=$(mktemp -d)
    # The server picks a free display itself and writes its number when it is ready.
    Xvfb -displayfd 3 -screen 0 "${1:-1024x600}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    app=
    trap 'cleanup_x_server' EXIT
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
    unset QT_QPA_PLATFORM
    for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
}

cleanup_x_server() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
