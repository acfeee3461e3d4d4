"""The client's side of the engine's control connection, for tests.

Listens on 127.0.0.1:PORT, accepts one engine, prints every line it sends to
standard output, and obeys commands on standard input: a line of text is sent
to the engine (with CR LF), "CLOSE" closes the connection.
"""
import socket
import sys
import threading

port = int(sys.argv[1])
server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", port))
server.listen(1)
print("LISTENING", flush=True)
server.settimeout(30)
conn, _ = server.accept()
print("ACCEPTED", flush=True)


def commands():
    for line in sys.stdin:
        line = line.rstrip("\n")
        if line == "CLOSE":
            conn.shutdown(socket.SHUT_RDWR)
            conn.close()
            return
        conn.sendall(line.encode() + b"\r\n")


threading.Thread(target=commands, daemon=True).start()
buffer = b""
while True:
    try:
        data = conn.recv(4096)
    except OSError:
        break
    if not data:
        break
    buffer += data
    while b"\n" in buffer:
        line, buffer = buffer.split(b"\n", 1)
        print(line.decode(errors="replace").strip(), flush=True)
print("EOF", flush=True)
