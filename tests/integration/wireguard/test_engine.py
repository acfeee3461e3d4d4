#!/usr/bin/env python3
"""The WireGuard engine against a real wireguard-go peer, in throwaway namespaces.

  <srv ns>  wireguard-go peer on UDP 55888 at 10.251.0.1, tunnel 10.66.0.1/24
  <cli ns>  the engine under test with a control peer on 127.0.0.1:61976
"""
import os
import queue
import signal
import subprocess
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "lib"))
from netns import Namespaces, Results, run, wait_for  # noqa: E402

ENGINE = sys.argv[1]
PORT = 61976
# The engine's own table and mark (0xf218) and the priorities that mark its rules.
TABLE = "61976"
RULE_PRIORITIES = ("31976:", "31977:")
NOBODY = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]


def genkey():
    private = run("wg", "genkey").stdout.strip()
    public = run("wg", "pubkey", input=private).stdout.strip()
    return private, public


class Control:
    """A control peer in the client namespace and the engine connected to it."""

    def __init__(self, ns, cli, config_path, env=None, peer_prefix=(), served_uid=0):
        self.lines = queue.Queue()
        self.seen = []
        self.peer = ns.popen(cli, *peer_prefix, sys.executable,
                             os.path.join(os.path.dirname(__file__), "control_peer.py"), str(PORT),
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        threading.Thread(target=self._read, daemon=True).start()
        assert self.expect("LISTENING", 10)
        self.engine = ns.popen(cli, "env", *(env or []), ENGINE, "--add", config_path, "--port", str(PORT),
                               "--uid", str(served_uid), stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.engine_output = []
        threading.Thread(target=lambda: self.engine_output.extend(self.engine.stdout), daemon=True).start()

    def _read(self):
        for line in self.peer.stdout:
            self.lines.put(line.strip())

    def expect(self, prefix, seconds):
        import time
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            try:
                line = self.lines.get(timeout=max(0.01, end - time.monotonic()))
            except queue.Empty:
                break
            self.seen.append(line)
            if line.startswith(prefix):
                return line
        return None

    def send(self, text):
        self.peer.stdin.write(text + "\n")
        self.peer.stdin.flush()

    def wait_engine(self, seconds=15):
        try:
            return self.engine.wait(seconds)
        except subprocess.TimeoutExpired:
            return None


def leftovers(ns, cli):
    links = ns.exec(cli, "ip", "-o", "link", "show").stdout
    rules4 = ns.exec(cli, "ip", "-4", "rule", "show").stdout
    rules6 = ns.exec(cli, "ip", "-6", "rule", "show", check=False).stdout
    found = []
    if "vpnwg" in links:
        found.append("interface")
    if any(line.startswith(RULE_PRIORITIES) for line in (rules4 + rules6).splitlines()):
        found.append("rules")
    return found


def write_config(path, private, peer_public, endpoint="10.251.0.1", extra=""):
    with open(path, "w") as f:
        f.write(f"[Interface]\nPrivateKey = {private}\nAddress = 10.66.0.2/32\nDNS = 172.16.0.1\n\n"
                f"[Peer]\nPublicKey = {peer_public}\nAllowedIPs = 0.0.0.0/0, ::/0\nEndpoint = {endpoint}:55888\n{extra}")
    os.chmod(path, 0)


def main():
    if os.geteuid() != 0:
        print("SKIP: needs root")
        print("0 passed, 0 failed")
        return 0
    results = Results()
    ns = Namespaces("twg")
    workdir = f"/tmp/wg-engine-test-{os.getpid()}"
    os.makedirs(workdir, exist_ok=True)
    try:
        srv = ns.add("s")
        cli = ns.add("c", resolv="nameserver 192.0.2.53\n")
        ns.link(srv, cli, "10.251.0.1/24", "10.251.0.2/24")
        ns.exec(cli, "ip", "route", "add", "default", "via", "10.251.0.1")

        srv_private, srv_public = genkey()
        cli_private, cli_public = genkey()
        # The peer: user-space WireGuard in the server namespace.
        peer = ns.popen(srv, "wireguard-go", "-f", f"wgpeer{os.getpid() % 1000}",
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        peer_if = f"wgpeer{os.getpid() % 1000}"
        assert wait_for(lambda: ns.exec(srv, "ip", "link", "show", peer_if, check=False).returncode == 0, 5)
        ns.exec(srv, "wg", "set", peer_if, "listen-port", "55888", "private-key", "/dev/stdin",
                "peer", cli_public, "allowed-ips", "10.66.0.2/32", input=srv_private)
        ns.exec(srv, "ip", "addr", "add", "10.66.0.1/24", "dev", peer_if)
        ns.exec(srv, "ip", "link", "set", peer_if, "up")

        config = f"{workdir}/good.conf"
        write_config(config, cli_private, srv_public)
        resolv_before = ns.resolv(cli)

        # 1. Up, traffic, counters; then a stop requested on the control connection.
        c = Control(ns, cli, config)
        results.check("engine connects to the control port", c.expect("ACCEPTED", 10) is not None)
        results.check("first handshake reported as >STATE:CONNECTED", c.expect(">STATE:CONNECTED", 15) is not None)
        results.check("byte counts reported", c.expect(">BYTECOUNT:", 5) is not None)
        ping = ns.exec(cli, "ping", "-c", "2", "-W", "2", "10.66.0.1", check=False)
        results.check("traffic flows through the tunnel", ping.returncode == 0)
        # Any address now routes into the tunnel; the endpoint stays reachable outside it.
        route = ns.exec(cli, "ip", "route", "get", "198.51.100.7").stdout
        results.check("all IPv4 traffic is routed into the tunnel", "vpnwg" in route)
        endpoint_route = ns.exec(cli, "ip", "route", "get", "10.251.0.1", "mark", TABLE).stdout
        results.check("the endpoint is kept outside the tunnel", "vpnwg" not in endpoint_route)
        line = c.expect(">BYTECOUNT:", 3)
        results.check("byte count line has two sizes with units",
                      line is not None and "," in line and line.split(":", 1)[1].split(", ")[0].split(" ")[1] in
                      ("B", "KiB", "MiB", "GiB", "TiB"))
        dns_tool = os.path.normpath(os.path.join(os.path.dirname(ENGINE), "..", "..", "dns"))
        if os.access(dns_tool, os.X_OK):
            results.check("the VPN's DNS server is in place", "172.16.0.1" in ns.resolv(cli))
        c.send("signal SIGTERM")
        results.check("a requested stop reports >STATE:DISCONNECTED", c.expect(">STATE:DISCONNECTED", 10) is not None)
        results.check("a requested stop exits with 0", c.wait_engine() == 0)
        results.check("a requested stop leaves nothing behind", leftovers(ns, cli) == [])
        results.check("the resolver configuration is restored", ns.resolv(cli) == resolv_before)

        # 2. SIGTERM from the service.
        c = Control(ns, cli, config)
        results.check("second run connects", c.expect(">STATE:CONNECTED", 15) is not None)
        c.engine.send_signal(signal.SIGTERM)  # ip netns exec execs the engine: same PID
        results.check("SIGTERM ends with 0", c.wait_engine() == 0)
        results.check("SIGTERM leaves nothing behind", leftovers(ns, cli) == [])

        # 3. A key the server does not know: no handshake, an error, nothing left.
        other_private, _ = genkey()
        wrong = f"{workdir}/wrong.conf"
        write_config(wrong, other_private, srv_public)
        c = Control(ns, cli, wrong, env=["VPN_WG_HANDSHAKE_TIMEOUT_MS=3000"])
        line = c.expect(">STATE:ERROR", 15)
        results.check("an unknown key ends in >STATE:ERROR with a message", line is not None and len(line.split(":")) == 3)
        results.check("an unknown key never reports CONNECTED", not any(s.startswith(">STATE:CONNECTED") for s in c.seen))
        results.check("an unknown key exits non-zero", c.wait_engine() not in (0, None))
        results.check("an unknown key leaves nothing behind", leftovers(ns, cli) == [])

        # 4. Bad configurations are refused before anything is set up.
        for name, text in [("missing key", "[Interface]\nAddress = 10.66.0.2/32\n[Peer]\nPublicKey = x\n"),
                           ("bad key", f"[Interface]\nPrivateKey = nope\nAddress = 10.66.0.2/32\n[Peer]\n"
                                       f"PublicKey = {srv_public}\nAllowedIPs = 0.0.0.0/0\nEndpoint = 10.251.0.1:55888\n"),
                           ("injected command", f"[Interface]\nPrivateKey = {cli_private}\nAddress = 10.66.0.2/32\n"
                                                f"PostUp = touch /tmp/pwned\n[Peer]\nPublicKey = {srv_public}\n"
                                                f"AllowedIPs = 0.0.0.0/0\nEndpoint = 10.251.0.1:55888\n"),
                           ("empty", "")]:
            path = f"{workdir}/bad.conf"
            with open(path, "w") as f:
                f.write(text)
            c = Control(ns, cli, path)
            line = c.expect(">STATE:ERROR", 10)
            results.check(f"{name}: error reported", line is not None)
            results.check(f"{name}: exits non-zero", c.wait_engine() not in (0, None))
            results.check(f"{name}: nothing set up", leftovers(ns, cli) == [])

        # 5. The client goes away: the engine restores the system by itself.
        c = Control(ns, cli, config)
        results.check("third run connects", c.expect(">STATE:CONNECTED", 15) is not None)
        c.send("CLOSE")
        results.check("a lost control connection ends the engine non-zero", c.wait_engine() not in (0, None))
        results.check("a lost control connection leaves nothing behind", leftovers(ns, cli) == [])
        results.check("the resolver configuration is restored after a lost client", ns.resolv(cli) == resolv_before)

        # 6. Killed without warning: the user-space interface goes with it, and the next run starts clean.
        c = Control(ns, cli, config)
        results.check("fourth run connects", c.expect(">STATE:CONNECTED", 15) is not None)
        c.engine.kill()
        c.wait_engine()
        results.check("a killed engine's interface disappears",
                      wait_for(lambda: "vpnwg" not in ns.exec(cli, "ip", "-o", "link").stdout, 5))
        c = Control(ns, cli, config)
        results.check("the next run after a kill connects", c.expect(">STATE:CONNECTED", 15) is not None)
        rules = ns.exec(cli, "ip", "-4", "rule", "show").stdout
        results.check("no duplicate rules after a kill", rules.count("not from all fwmark 0xf218") == 1)
        c.send("signal SIGTERM")
        c.wait_engine()
        results.check("and that run leaves nothing behind", leftovers(ns, cli) == [])

        # 7. A system WireGuard tunnel's rules (wg-quick's form) are not the engine's to remove.
        system_rules = [["not", "fwmark", "51820", "table", "51820"], ["table", "main", "suppress_prefixlength", "0"]]
        for rule in system_rules:
            ns.exec(cli, "ip", "-4", "rule", "add", *rule)
        before = ns.exec(cli, "ip", "-4", "rule", "show").stdout
        c = Control(ns, cli, config)
        results.check("a run beside a system tunnel connects", c.expect(">STATE:CONNECTED", 15) is not None)
        c.engine.kill()
        c.wait_engine()
        c = Control(ns, cli, config)
        results.check("the next run beside a system tunnel connects", c.expect(">STATE:CONNECTED", 15) is not None)
        c.send("signal SIGTERM")
        c.wait_engine()
        results.check("the system tunnel's rules are left as they were",
                      ns.exec(cli, "ip", "-4", "rule", "show").stdout == before)
        for rule in system_rules:
            ns.exec(cli, "ip", "-4", "rule", "delete", *rule)

        # 8. Another user listens on the control port first: the engine talks to nobody but its own user.
        c = Control(ns, cli, config, peer_prefix=NOBODY)
        results.check("a squatted control port ends the engine non-zero", c.wait_engine() not in (0, None))
        results.check("the squatter learns nothing", c.expect("EOF", 5) is not None
                      and [line for line in c.seen if line.startswith(">")] == [])
        results.check("a squatted control port sets nothing up", leftovers(ns, cli) == [])
        results.check("the engine names the reason", any("is not a socket of user 0" in line for line in c.engine_output))
        peer.terminate()
    finally:
        ns.close()
        subprocess.run(["rm", "-rf", workdir])
    return results.finish()


if __name__ == "__main__":
    sys.exit(main())
