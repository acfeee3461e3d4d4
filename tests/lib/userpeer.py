#!/usr/bin/env python3
"""A local user's process for tests of the vpn-service, driven line by line.

Run as the user under test (setpriv), in the service's network namespace. It
reads commands on standard input and prints what happens on standard output,
one event per line:

  ws PORT [ORIGIN]   open a WebSocket to 127.0.0.1:PORT   -> "WS OPEN" | "WS FAIL reason"
  send TEXT          send TEXT as one text frame           (frames received: "FRAME text")
  close              close the WebSocket                   -> "WS CLOSED"
  listen PORT        listen on 127.0.0.1:PORT like the client's engine ports: every
                     connection is asked "pid" and its lines are printed
                                                           -> "LISTENING" | "LISTEN FAIL reason",
                                                              "CONN n", "LINE n text", "EOF n"
  unlisten           stop listening and drop the connections
  flood PORT N       open N TCP connections and never speak -> "FLOOD k"
  unflood            close them                             -> "UNFLOODED"
"""
import base64
import os
import socket
import struct
import sys
import threading

lock = threading.Lock()


def say(text):
    with lock:
        sys.stdout.write(text.replace("\n", "\\n") + "\n")
        sys.stdout.flush()


class WebSocket:
    def __init__(self, port, origin=None):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        key = base64.b64encode(os.urandom(16)).decode()
        request = (f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                   f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n")
        if origin:
            request += f"Origin: {origin}\r\n"
        self.sock.sendall((request + "\r\n").encode())
        response = b""
        while b"\r\n\r\n" not in response:
            data = self.sock.recv(4096)
            if not data:
                raise ConnectionError("closed during the handshake")
            response += data
        head, self.rest = response.split(b"\r\n\r\n", 1)
        if not head.startswith(b"HTTP/1.1 101"):
            raise ConnectionError(head.split(b"\r\n")[0].decode(errors="replace"))
        self.sock.settimeout(None)

    def send(self, text):
        payload = text.encode()
        header = bytes([0x81])
        mask = os.urandom(4)
        if len(payload) < 126:
            header += bytes([0x80 | len(payload)])
        elif len(payload) < 65536:
            header += bytes([0x80 | 126]) + struct.pack("!H", len(payload))
        else:
            header += bytes([0x80 | 127]) + struct.pack("!Q", len(payload))
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(header + mask + masked)

    def _read(self, count):
        while len(self.rest) < count:
            data = self.sock.recv(65536)
            if not data:
                raise ConnectionError("closed")
            self.rest += data
        data, self.rest = self.rest[:count], self.rest[count:]
        return data

    def frames(self):
        while True:
            first, second = self._read(2)
            length = second & 0x7F
            if length == 126:
                length = struct.unpack("!H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack("!Q", self._read(8))[0]
            payload = self._read(length)
            opcode = first & 0x0F
            if opcode == 0x8:
                return
            if opcode == 0x1:
                yield payload.decode(errors="replace")


websocket = None
listener = None
listened = []
flooded = []


def read_frames(ws):
    try:
        for frame in ws.frames():
            say("FRAME " + frame.rstrip("\n"))
    except (OSError, ConnectionError):
        pass
    say("WS CLOSED")


def serve(conn, number):
    say(f"CONN {number}")
    buffer = b""
    try:
        conn.sendall(b"pid\n")
        while True:
            data = conn.recv(4096)
            if not data:
                break
            buffer += data
            while b"\n" in buffer:
                line, buffer = buffer.split(b"\n", 1)
                say(f"LINE {number} " + line.decode(errors="replace").strip())
    except OSError:
        pass
    say(f"EOF {number}")


def accept_loop(server):
    number = 0
    while True:
        try:
            conn, _ = server.accept()
        except OSError:
            return
        number += 1
        listened.append(conn)
        threading.Thread(target=serve, args=(conn, number), daemon=True).start()


for command in sys.stdin:
    words = command.rstrip("\n").split(" ", 2)
    verb = words[0]
    try:
        if verb == "ws":
            try:
                websocket = WebSocket(int(words[1]), words[2] if len(words) > 2 else None)
                say("WS OPEN")
                threading.Thread(target=read_frames, args=(websocket,), daemon=True).start()
            except (OSError, ConnectionError) as error:
                say(f"WS FAIL {error}")
        elif verb == "send":
            websocket.send(command.rstrip("\n")[5:])
        elif verb == "close":
            try:
                websocket.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            websocket.sock.close()
        elif verb == "listen":
            try:
                listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
                listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                listener.bind(("127.0.0.1", int(words[1])))
                listener.listen(16)
                threading.Thread(target=accept_loop, args=(listener,), daemon=True).start()
                say("LISTENING")
            except OSError as error:
                say(f"LISTEN FAIL {error}")
        elif verb == "unlisten":
            # Shutting the socket down wakes the thread that waits in accept().
            try:
                listener.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            listener.close()
            for conn in listened:
                conn.close()
            listened.clear()
            say("UNLISTENED")
        elif verb == "flood":
            for _ in range(int(words[2])):
                try:
                    flooded.append(socket.create_connection(("127.0.0.1", int(words[1])), timeout=2))
                except OSError:
                    break
            say(f"FLOOD {len(flooded)}")
        elif verb == "unflood":
            for conn in flooded:
                try:
                    conn.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                conn.close()
            flooded.clear()
            say("UNFLOODED")
    except Exception as error:  # a test's mistake must show, not hang it
        say(f"ERROR {verb}: {error}")
