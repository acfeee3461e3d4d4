#!/usr/bin/python3
"""OpenVPN client-connect script of the TCP servers.

A Stealth client reaches the server through its local stunnel, so the server sees
the connection coming from one of its own addresses, and the client's OpenVPN
(whose remote is 127.0.0.1) adds no host route for the real server. Without one,
redirect-gateway would pull the stunnel connection into the tunnel it carries.
Such clients get host routes for every server address via net_gateway."""

import ipaddress
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import labconf  # noqa: E402


def main():
    topo = labconf.load()
    server_addresses = [s["ip"] for s in topo["servers"]]
    peer = os.environ.get("trusted_ip", "")
    try:
        local_peer = peer in server_addresses or ipaddress.ip_address(peer).is_loopback
    except ValueError:
        local_peer = False
    if not local_peer or len(sys.argv) < 2:
        return 0
    with open(sys.argv[1], "a", encoding="utf-8") as f:
        for address in server_addresses:
            f.write('push "route %s 255.255.255.255 net_gateway"\n' % address)
    return 0


if __name__ == "__main__":
    sys.exit(main())
