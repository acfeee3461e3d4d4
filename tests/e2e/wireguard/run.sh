#!/usr/bin/env bash
# run.sh SOURCE_DIR TEST_APP_DIR APP_DIR: starts the vpn-service of the test's
# folder inside the lab's client namespace, runs the WireGuard end-to-end test
# there, and ends the daemon again. Exits 77 (skipped) without root or lab.
set -u
root="$1"
appdir="$2"
bin="$3"
bash "$root/tests/lib/inlab.sh" "$root" || exit $?

port=16457
work="$(mktemp -d /tmp/e2e-wireguard.XXXXXX)"
ip netns exec vpnlab-cli "$appdir/vpn-service" --port "$port" --log "$work/vpn-service.log" &
daemon=$!
cleanup() {
    kill "$daemon" 2>/dev/null
    wait "$daemon" 2>/dev/null
    # A killed engine leaves the VPN's resolver in place; the DNS tool puts the user's back.
    ip netns exec vpnlab-cli "$bin/dns" reset >/dev/null 2>&1
    echo "--- vpn-service log"
    tail -n 40 "$work/vpn-service.log"
    rm -rf "$work"
}
trap cleanup EXIT

VPNLAB_HOME="$work/home" QT_QPA_PLATFORM=offscreen VPN_E2E_SERVICE_PORT="$port" \
    "$root/lab/exec" "$appdir/test_wireguard_lab"
