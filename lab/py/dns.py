#!/usr/bin/python3
"""The lab's DNS servers: one process, one UDP and one TCP socket per address.

Each address belongs to a view: "resolver" (the client's normal resolver) or
"vpn" (the resolver pushed by the VPN servers). Both answer the lab names (API
hosts, server names); the test name answers differently per view (A and TXT),
so a switch of the system DNS can be seen from inside the client namespace.
Other names get NXDOMAIN.

  dns.py --view resolver=192.168.77.1 --view vpn=172.16.0.1 --view vpn=fd00::1
"""

import argparse
import ipaddress
import os
import socket
import struct
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import labconf  # noqa: E402

TYPE_A, TYPE_TXT, TYPE_AAAA = 1, 16, 28
CLASS_IN = 1
NOERROR, FORMERR, NXDOMAIN, NOTIMP = 0, 1, 3, 4
TTL = 30


class Zone:
    def __init__(self, topo, view):
        self.records = {}
        for name, address in labconf.dns_names(topo).items():
            self.add(name, TYPE_A, socket.inet_aton(address))
        test = topo["dns_views"][view]
        name = topo["dns_test_name"]
        self.add(name, TYPE_A, socket.inet_aton(test["a"]))
        txt = test["txt"].encode("ascii")
        self.add(name, TYPE_TXT, bytes([len(txt)]) + txt)

    def add(self, name, rtype, rdata):
        self.records.setdefault(name.lower().rstrip("."), []).append((rtype, rdata))

    def lookup(self, name):
        return self.records.get(name.lower().rstrip("."))


def parse_question(packet):
    """Returns (id, flags, name, qtype, qclass, end of question) or raises ValueError."""
    if len(packet) < 12:
        raise ValueError("short header")
    ident, flags, qdcount = struct.unpack("!HHH", packet[:6])
    if qdcount != 1:
        raise ValueError("expected one question")
    labels, pos = [], 12
    while True:
        if pos >= len(packet):
            raise ValueError("truncated name")
        length = packet[pos]
        pos += 1
        if length == 0:
            break
        if length > 63 or pos + length > len(packet):
            raise ValueError("bad label")
        labels.append(packet[pos:pos + length].decode("ascii", "replace"))
        pos += length
    if pos + 4 > len(packet):
        raise ValueError("truncated question")
    qtype, qclass = struct.unpack("!HH", packet[pos:pos + 4])
    return ident, flags, ".".join(labels), qtype, qclass, pos + 4


def answer(zone, packet):
    try:
        ident, flags, name, qtype, qclass, end = parse_question(packet)
    except ValueError:
        if len(packet) < 12:
            return None
        ident, flags = struct.unpack("!HH", packet[:4])
        return struct.pack("!HHHHHH", ident, 0x8000 | (flags & 0x0100) | FORMERR, 0, 0, 0, 0)
    if flags & 0x8000:
        return None  # a response, not a query
    opcode = (flags >> 11) & 0xF
    question = packet[12:end]
    records, rcode = [], NOERROR
    if opcode != 0 or qclass != CLASS_IN:
        rcode = NOTIMP
    else:
        found = zone.lookup(name)
        if found is None:
            rcode = NXDOMAIN
        else:
            records = [(t, d) for t, d in found if t == qtype]
    reply_flags = 0x8000 | (opcode << 11) | 0x0400 | (flags & 0x0100) | 0x0080 | rcode
    out = struct.pack("!HHHHHH", ident, reply_flags, 1, len(records), 0, 0) + question
    for rtype, rdata in records:
        out += struct.pack("!HHHIH", 0xC00C, rtype, CLASS_IN, TTL, len(rdata)) + rdata
    return out


def serve_udp(sock, zone):
    while True:
        packet, peer = sock.recvfrom(4096)
        reply = answer(zone, packet)
        if reply:
            sock.sendto(reply, peer)


def serve_tcp_client(conn, zone):
    with conn:
        conn.settimeout(10)
        try:
            while True:
                head = conn.recv(2, socket.MSG_WAITALL)
                if len(head) < 2:
                    return
                (length,) = struct.unpack("!H", head)
                packet = conn.recv(length, socket.MSG_WAITALL)
                reply = answer(zone, packet)
                if not reply:
                    return
                conn.sendall(struct.pack("!H", len(reply)) + reply)
        except OSError:
            return


def serve_tcp(sock, zone):
    while True:
        conn, _ = sock.accept()
        threading.Thread(target=serve_tcp_client, args=(conn, zone), daemon=True).start()


def main():
    parser = argparse.ArgumentParser(description="lab DNS servers")
    parser.add_argument("--view", action="append", required=True, help="VIEW=ADDRESS")
    parser.add_argument("--port", type=int, default=53)
    args = parser.parse_args()
    topo = labconf.load()
    threads = []
    for item in args.view:
        view, _, address = item.partition("=")
        zone = Zone(topo, view)
        family = socket.AF_INET6 if ipaddress.ip_address(address).version == 6 else socket.AF_INET
        udp = socket.socket(family, socket.SOCK_DGRAM)
        udp.bind((address, args.port))
        tcp = socket.socket(family, socket.SOCK_STREAM)
        tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        tcp.bind((address, args.port))
        tcp.listen(16)
        threads.append(threading.Thread(target=serve_udp, args=(udp, zone), daemon=True))
        threads.append(threading.Thread(target=serve_tcp, args=(tcp, zone), daemon=True))
        sys.stderr.write("%s view on %s:%d\n" % (view, address, args.port))
    sys.stderr.flush()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return 0


if __name__ == "__main__":
    sys.exit(main())
