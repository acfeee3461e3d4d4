#!/usr/bin/env bash
# Start-up of the client on a real (virtual) desktop: the tray check, the
# command line, the single instance and a log folder that cannot be made.
# The client runs without a network (only loopback) in every case.
set -u
client="$1"
artifacts="$2"
. "$(dirname "$0")/../../lib/desktop.sh"
isolated="$(dirname "$0")/../../../scripts/isolated"
trap desktop_stop EXIT
desktop_start || exit 1
log_file() { ls "$XDG_DATA_HOME"/*/logs/*-app.log 2>/dev/null | tail -n 1; }

# 1. No tray: the error box, exit code 1.
"$isolated" "$client" >"$DESKTOP_TMP/notray.out" 2>&1 &
pid=$!
if wait_for_text "$DESKTOP_TMP/notray.out" "Couldn't detect any system tray on this system." 10; then
    timeout 10 xdotool search --sync --onlyvisible --name "^Veltrano VPN$" >/dev/null 2>&1
    screenshot "$artifacts/no-tray.png"
    xdotool key --clearmodifiers Return
fi
for i in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fi
wait "$pid"; rc=$?
check "without a tray the client exits with 1 (got $rc)" test "$rc" -eq 1
check "without a tray the reason is given" grep -qF "Couldn't detect any system tray on this system." "$DESKTOP_TMP/notray.out"

tray_start || { fail "trayer did not start"; summary; exit 1; }

# 2. The command line.
"$isolated" "$client" --help >"$DESKTOP_TMP/help.out" 2>&1; rc=$?
check "--help exits with 0 (got $rc)" test "$rc" -eq 0
check "--help lists the debug option" grep -qE -- "-d, --debug +Debug mode\." "$DESKTOP_TMP/help.out"

# 3. One instance: the second start tells the first and leaves.
"$isolated" "$client" --debug >"$DESKTOP_TMP/first.out" 2>&1 &
first=$!
DESKTOP_PIDS+=($first)
for i in $(seq 1 100); do [ -n "$(log_file)" ] && break; sleep 0.1; done
check "the first instance writes its log" wait_for_text "$(log_file)" "OpenSSL for Qt" 10
sleep 1
screenshot "$artifacts/main-window.png"
timeout 20 "$isolated" "$client" >"$DESKTOP_TMP/second.out" 2>&1; rc=$?
check "the second instance exits with 0 (got $rc)" test "$rc" -eq 0
check "the first instance is asked to show itself" wait_for_text "$(log_file)" "Application: Message to show app on top" 10
check "the first instance still runs" kill -0 "$first"
kill "$first"; wait "$first" 2>/dev/null

# 4. A log folder that cannot be created: logging falls back, the client starts.
blocked="$DESKTOP_TMP/blocked"
: >"$blocked"
XDG_DATA_HOME="$blocked" "$isolated" "$client" >"$DESKTOP_TMP/nolog.out" 2>&1 &
nolog=$!
DESKTOP_PIDS+=($nolog)
check "an impossible log folder is reported" wait_for_text "$DESKTOP_TMP/nolog.out" "Logger: Log folder does not exists or cannot be created: " 10
check "the client logs to the default output instead" wait_for_text "$DESKTOP_TMP/nolog.out" "Application: Started on" 10
sleep 1
check "the client keeps running without a log file" kill -0 "$nolog"
kill "$nolog"; wait "$nolog" 2>/dev/null

summary
