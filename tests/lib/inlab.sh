#!/bin/bash
# inlab.sh SOURCE_DIR [PROGRAM [ARG...]]: runs an end-to-end test program
# inside the lab's client namespace; without a program it only checks that it
# could. Exits 77 (CTest: skipped) when it cannot: not root, or the lab is not up.
set -u
root=$1
shift
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: the lab needs root"
    exit 77
fi
if [ ! -x "$root/lab/status" ] || ! "$root/lab/status" >/dev/null 2>&1; then
    echo "SKIP: the lab is not up (run lab/up as root)"
    exit 77
fi
[ $# -gt 0 ] || exit 0
exec "$root/lab/exec" "$@"
