#!/usr/bin/env bash
# withtray.sh PROGRAM [ARG...]: runs a program on a virtual desktop of its own
# (Xvfb with trayer as the system tray, a private home) and answers with the
# program's exit code. Everything started here ends when the program does.
set -u
. "$(dirname "$0")/desktop.sh"
trap desktop_stop EXIT
desktop_start || exit 1
tray_start || { echo "trayer did not start" >&2; exit 1; }
"$@"
