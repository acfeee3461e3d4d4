#!/usr/bin/python3
"""The lab's REST API over HTTPS: the XML server feed, geo-IP and the account.

  GET /feeds/serverinfo.xml, /xml/tesskavpn.xml   the server feed (XML)
  GET /v3/geoip                                   {"data": {"ip", "iso_code", ...}}
  GET /v3_1/private/accounts/<user>               the account, Basic authentication
  GET /health                                     "ok"

The user name in the account path is one percent-encoded path segment. Test
controls (lab/ctl) are JSON files in the control folder, read on each request:
geoip.json and feed.json hold {"mode": "normal" | "zero" | "empty" | "broken" |
"delay" | "error", "seconds": N, "status": N}.
"""

import argparse
import base64
import binascii
import json
import os
import socket
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote, urlsplit
from xml.sax.saxutils import quoteattr

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import labconf  # noqa: E402

FEED_PATHS = ("/feeds/serverinfo.xml", "/xml/tesskavpn.xml")
GEOIP_PATH = "/v3/geoip"
ACCOUNT_PATH = "/v3_1/private/accounts"
ACCOUNT_FIELDS = ("id", "username", "status", "updated", "created",
                  "wg_ip", "wg_private_key", "wg_public_key")


def feed_xml(topo):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<brixoserverList>"]
    for entry in labconf.feed_entries(topo):
        attrs = " ".join("%s=%s" % (key, quoteattr(value)) for key, value in entry.items())
        lines.append("  <server %s/>" % attrs)
    lines.append("</brixoserverList>")
    return "\n".join(lines) + "\n"


class Api:
    def __init__(self, control_dir, accounts_path):
        self.control_dir = control_dir
        self.accounts_path = accounts_path
        self.topo = labconf.load()
        self.geo = labconf.geo_table(self.topo)

    def control(self, name):
        try:
            with open(os.path.join(self.control_dir, name + ".json"), encoding="utf-8") as f:
                value = json.load(f)
            return value if isinstance(value, dict) else {}
        except (OSError, ValueError):
            return {}

    def accounts(self):
        return labconf.load_accounts(self.accounts_path)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "vpnlab-api"
    api = None  # set by main

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s %s\n" % (time.strftime("%H:%M:%S"), self.client_address[0], fmt % args))

    def reply(self, status, body, content_type="application/json", headers=()):
        data = body.encode("utf-8") if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def reply_json(self, status, value, headers=()):
        self.reply(status, json.dumps(value) + "\n", headers=headers)

    def apply_control(self, name):
        """Handles the test modes shared by all endpoints; True when the reply is sent."""
        control = self.api.control(name)
        mode = control.get("mode", "normal")
        if mode == "delay":
            time.sleep(float(control.get("seconds", 0)))
        elif mode == "error":
            self.reply_json(int(control.get("status", 500)), {"error": "test failure"})
            return True
        return False

    def do_GET(self):  # noqa: N802 (name fixed by the base class)
        path = urlsplit(self.path).path
        if path == "/health":
            self.reply(200, "ok\n", "text/plain")
        elif path in FEED_PATHS:
            self.feed()
        elif path == GEOIP_PATH:
            self.geoip()
        elif path == ACCOUNT_PATH or path.startswith(ACCOUNT_PATH + "/"):
            self.account(path[len(ACCOUNT_PATH):])
        else:
            self.reply_json(404, {"error": "not found"})

    def feed(self):
        if self.apply_control("feed"):
            return
        mode = self.api.control("feed").get("mode", "normal")
        if mode == "empty":
            body = '<?xml version="1.0" encoding="UTF-8"?>\n<brixoserverList>\n</brixoserverList>\n'
        else:
            body = feed_xml(self.api.topo)
            if mode == "broken":
                body = body[:len(body) // 2]
        self.reply(200, body, "application/xml")

    def geoip(self):
        if self.apply_control("geoip"):
            return
        ip = self.client_address[0]
        if self.api.control("geoip").get("mode") == "zero":
            self.reply_json(200, {"data": {"ip": "0.0.0.0", "iso_code": ""}})
            return
        self.reply_json(200, {"data": {"ip": ip, "iso_code": self.api.geo.get(ip, "")}})

    def account(self, rest):
        if self.apply_control("account"):
            return
        segments = rest.split("/")[1:] if rest else []
        if len(segments) > 1:
            self.reply_json(404, {"error": "not found"})
            return
        try:
            path_user = unquote(segments[0], errors="strict") if segments else None
        except UnicodeDecodeError:
            self.reply_json(400, {"error": "bad user name encoding"})
            return
        user, password = self.basic_credentials()
        accounts = self.api.accounts()
        account = labconf.find_account(accounts, user) if user is not None else None
        if account is None or not labconf.password_matches(account, password):
            self.reply_json(401, {"error": "Unauthorized"},
                            headers=(("WWW-Authenticate", 'Basic realm="vpnlab"'),))
            return
        if path_user is not None and path_user != user:
            self.reply_json(403, {"error": "Forbidden"})
            return
        self.reply_json(200, {"data": {key: account[key] for key in ACCOUNT_FIELDS}})

    def basic_credentials(self):
        header = self.headers.get("Authorization", "")
        scheme, _, value = header.partition(" ")
        if scheme.lower() != "basic":
            return None, None
        try:
            text = base64.b64decode(value.strip(), validate=True).decode("utf-8")
        except (binascii.Error, UnicodeDecodeError):
            return None, None
        user, sep, password = text.partition(":")
        return (user, password) if sep else (None, None)


class TlsServer(ThreadingHTTPServer):
    """Accepts plain connections and does the TLS handshake in the request's thread,
    so a client that never finishes its handshake blocks nobody else."""

    daemon_threads = True
    request_queue_size = 64
    context = None

    def process_request_thread(self, request, client_address):
        try:
            request.settimeout(30)
            request = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as error:
            sys.stderr.write("%s TLS handshake failed: %s\n" % (client_address[0], error))
            self.shutdown_request(request)
            return
        super().process_request_thread(request, client_address)


def main():
    parser = argparse.ArgumentParser(description="lab REST API")
    parser.add_argument("--listen", required=True)
    parser.add_argument("--port", type=int, default=443)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--control", required=True)
    parser.add_argument("--accounts", default=None)
    args = parser.parse_args()

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(args.cert, args.key)
    Handler.api = Api(args.control, args.accounts)
    TlsServer.context = context
    TlsServer.address_family = socket.AF_INET6 if ":" in args.listen else socket.AF_INET
    server = TlsServer((args.listen, args.port), Handler)
    sys.stderr.write("listening on %s:%d\n" % (args.listen, args.port))
    sys.stderr.flush()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    threading.current_thread().name = "api"
    sys.exit(main())
