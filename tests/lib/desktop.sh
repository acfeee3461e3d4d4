# Shared helpers for tests that need a desktop: an Xvfb display, a tray, a
# private home. Source it; call desktop_start, and desktop_stop in a trap.
# Every process started here is recorded and ended by its PID.

DESKTOP_PIDS=()
PASSED=0
FAILED=0

pass() { PASSED=$((PASSED + 1)); echo "PASS: $*"; }
fail() { FAILED=$((FAILED + 1)); echo "FAIL: $*"; }
check() { # check "description" command...
    local what="$1"; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

desktop_start() {
    DESKTOP_TMP="$(mktemp -d /tmp/vpnclient-desktop.XXXXXX)"
    export HOME="$DESKTOP_TMP/home" XDG_RUNTIME_DIR="$DESKTOP_TMP/runtime"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
    export QT_QUICK_BACKEND=software
    unset QT_QPA_PLATFORM
    local fdfile="$DESKTOP_TMP/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    DESKTOP_PIDS+=($!)
    local i
    for i in $(seq 1 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
    export DISPLAY=":$(tr -d '\n' <"$fdfile")"
    [ "$DISPLAY" != ":" ] || { echo "Xvfb did not start" >&2; return 1; }
}

# Starts trayer as the system tray and waits until it owns the tray selection.
# trayer now and then loses its X connection while it starts ("Fatal IO
# error 11"); it is started again then, up to three times.
tray_start() {
    local attempt i
    for attempt in 1 2 3; do
        trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
        TRAY_PID=$!
        DESKTOP_PIDS+=($TRAY_PID)
        for i in $(seq 1 50); do
            xdotool search --class trayer >/dev/null 2>&1 && return 0
            kill -0 "$TRAY_PID" 2>/dev/null || break
            sleep 0.1
        done
    done
    return 1
}

screenshot() { # screenshot <file>
    mkdir -p "$(dirname "$1")"
    import -window root "$1" >/dev/null 2>&1 || true
}

# Waits until a file contains a text: wait_for_text <file> <text> [seconds]
wait_for_text() {
    local i
    for i in $(seq 1 $((${3:-10} * 10))); do
        grep -qF -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

desktop_stop() {
    local pid
    for pid in "${DESKTOP_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${DESKTOP_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
    [ -n "${DESKTOP_TMP:-}" ] && rm -rf "$DESKTOP_TMP"
}

summary() {
    echo "$PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
}
