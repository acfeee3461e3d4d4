#!/usr/bin/python3
"""ICMP echo responder of the server namespace.

The kernel here has no netem, so the lab switches the kernel's echo replies off in
the server namespace (net.ipv4.icmp_echo_ignore_all=1) and answers from a raw
socket instead: each server address after its own delay, a server whose delay is
null never; any other address of the namespace at once. Overrides from
lab/ctl (control folder, icmp.json: {"ADDRESS": MS or null}) are read again when
the file changes.
"""

import argparse
import heapq
import json
import os
import select
import socket
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import labconf  # noqa: E402

ECHO_REPLY, ECHO_REQUEST = 0, 8


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def echo_reply(packet):
    """The IPv4 packet answering an echo request, or None when it is not one."""
    if len(packet) < 20:
        return None, None
    header_length = (packet[0] & 0x0F) * 4
    icmp = packet[header_length:]
    if len(icmp) < 8 or icmp[0] != ECHO_REQUEST or icmp[1] != 0:
        return None, None
    source, destination = packet[12:16], packet[16:20]
    body = bytes([ECHO_REPLY, 0, 0, 0]) + icmp[4:]
    body = body[:2] + struct.pack("!H", checksum(body)) + body[4:]
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(body), 0, 0, 64, socket.IPPROTO_ICMP, 0,
                     destination, source)
    return socket.inet_ntoa(destination), ip + body


class Delays:
    def __init__(self, control_file):
        self.control_file = control_file
        self.base = {s["ip"]: s.get("icmp_ms") for s in labconf.load()["servers"]}
        self.table = dict(self.base)
        self.stamp = None

    def refresh(self):
        try:
            stamp = os.stat(self.control_file).st_mtime_ns
        except OSError:
            stamp = None
        if stamp == self.stamp:
            return
        self.stamp = stamp
        self.table = dict(self.base)
        if stamp is not None:
            try:
                with open(self.control_file, encoding="utf-8") as f:
                    self.table.update(json.load(f))
            except (OSError, ValueError) as error:
                sys.stderr.write("ignoring %s: %s\n" % (self.control_file, error))

    def delay(self, address):
        """Seconds to wait before answering, or None for no answer."""
        if address not in self.table:
            return 0.0
        value = self.table[address]
        return None if value is None else float(value) / 1000.0


def main():
    parser = argparse.ArgumentParser(description="lab ICMP echo responder")
    parser.add_argument("--control", required=True, help="icmp.json override file")
    args = parser.parse_args()
    delays = Delays(args.control)
    receiver = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    sender = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)
    pending = []  # (due time, sequence, destination, packet)
    sequence = 0
    sys.stderr.write("answering echo requests\n")
    sys.stderr.flush()
    while True:
        now = time.monotonic()
        while pending and pending[0][0] <= now:
            _, _, destination, packet = heapq.heappop(pending)
            try:
                sender.sendto(packet, (destination, 0))
            except OSError as error:
                sys.stderr.write("reply to %s failed: %s\n" % (destination, error))
        timeout = max(0.0, pending[0][0] - now) if pending else 1.0
        readable, _, _ = select.select([receiver], [], [], timeout)
        if not readable:
            continue
        packet = receiver.recv(65535)
        local, reply = echo_reply(packet)
        if reply is None:
            continue
        delays.refresh()
        delay = delays.delay(local)
        if delay is None:
            continue
        sequence += 1
        heapq.heappush(pending, (time.monotonic() + delay, sequence, socket.inet_ntoa(packet[12:16]), reply))


if __name__ == "__main__":
    sys.exit(main())
