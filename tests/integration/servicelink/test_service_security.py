#!/usr/bin/env python3
"""The vpn-service as a security boundary, attacked by a local user.

The real service runs as root in a throwaway network and mount namespace,
with the real OpenVPN, WireGuard engine, dns and killswitch tools beside it
and a private user database with three throwaway users: "victim" and
"attacker", members of the service's group, and "outsider", who is not. The
attacker uses only the ordinary WebSocket protocol, as any local program can.

  test_service_security.py BIN_DIR      (BIN_DIR: the build's bin/ folder)
"""
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "lib"))
from netns import Namespaces, Results, run, wait_for  # noqa: E402

BIN = os.path.abspath(sys.argv[1])
PEER = os.path.join(os.path.dirname(__file__), "..", "..", "lib", "userpeer.py")
PORT = 6457
GROUP, GID = "vpnsectest", 61000
USERS = {"attacker": 61001, "victim": 61002, "outsider": 61003}
MANAGEMENT, CONTROL = 61973, 61976


def quoted(words):
    return "start: " + " ".join(f'"{w}"' for w in words)


class User:
    """One user's process (tests/lib/userpeer.py) inside the namespace."""

    def __init__(self, ns, name):
        self.name, self.uid = name, USERS[name]
        self.events = queue.Queue()
        self.seen = []
        self.proc = ns.popen(ns.names[0], "setpriv", f"--reuid={self.uid}", f"--regid={self.uid}", "--clear-groups",
                             sys.executable, PEER, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.events.put(line.rstrip("\n"))

    def do(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()

    def expect(self, prefix, seconds=10):
        """The first new event that starts with prefix, or None; everything read is kept in seen."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            try:
                event = self.events.get(timeout=max(0.01, end - time.monotonic()))
            except queue.Empty:
                break
            self.seen.append(event)
            if event.startswith(prefix):
                return event
        return None

    def drain(self, seconds=0.5):
        self.expect("\0", seconds)
        return self.seen

    def mark(self):
        """Forget what was seen so far: the next checks look at new events only."""
        self.seen = []

    def connect(self):
        self.do(f"ws {PORT}")
        return self.expect("WS ") == "WS OPEN"

    def start(self, words):
        self.do("send " + quoted(words))

    def report(self, pattern, seconds=10, name=None):
        """The next report frame whose text begins with pattern (and names that program)."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            event = self.expect("FRAME " + pattern, end - time.monotonic())
            if event and (name is None or event.endswith("," + name)):
                return event[6:].strip()
        return None

    def stop(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            self.proc.terminate()
            self.proc.wait(5)


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def pid_of(report):
    return int(report.split(":", 1)[1].split(",")[0]) if report else 0


def main():
    if os.geteuid() != 0:
        print("SKIP: the service runs as root")
        print("0 passed, 0 failed")
        return 0
    results = Results()
    ns = Namespaces("tsec")
    work = tempfile.mkdtemp(prefix="vpn-service-security-")
    users = []
    service = None
    try:
        os.chmod(work, 0o755)
        service_dir = f"{work}/app"
        os.makedirs(f"{service_dir}/openvpn/bin")
        os.makedirs(f"{service_dir}/wireguard/bin")
        for name in ("vpn-service", "dns", "killswitch"):
            shutil.copy(f"{BIN}/{name}", f"{service_dir}/{name}")
        shutil.copy(f"{BIN}/wireguard/bin/wireguard-service", f"{service_dir}/wireguard/bin/")
        os.symlink(shutil.which("openvpn", path="/usr/sbin:/usr/bin"), f"{service_dir}/openvpn/bin/openvpn")

        # The private user database the service sees.
        with open("/etc/passwd") as f:
            passwd = f.read()
        with open("/etc/group") as f:
            group = f.read()
        for name, uid in USERS.items():
            os.makedirs(f"{work}/home/{name}")
            os.chown(f"{work}/home/{name}", uid, uid)
            passwd += f"{name}:x:{uid}:{uid}::{work}/home/{name}:/usr/sbin/nologin\n"
            group += f"{name}:x:{uid}:\n"
        group += f"{GROUP}:x:{GID}:attacker,victim\n"
        with open(f"{work}/passwd", "w") as f:
            f.write(passwd)
        with open(f"{work}/group", "w") as f:
            f.write(group)

        # What must never happen: a plugin of the attacker's loaded as root,
        # a root-only file read or changed.
        marker = f"{work}/plugin-loaded"
        with open(f"{work}/plugin.c", "w") as f:
            f.write('#include <fcntl.h>\n__attribute__((constructor)) static void loaded(void)'
                    f'{{ close(open("{marker}", O_CREAT | O_WRONLY, 0600)); }}\n'
                    'int openvpn_plugin_open_v1(void) { return 0; }\n')
        plugin = f"{work}/home/attacker/x.so"
        run("gcc", "-shared", "-fPIC", "-o", plugin, f"{work}/plugin.c")
        os.chmod(plugin, 0o755)
        secret = f"{work}/root-secret"
        with open(secret, "w") as f:
            f.write("root only\n")
        os.chmod(secret, 0o600)

        cli = ns.add("c")
        srv = ns.add("s")
        uplink, _ = ns.link(cli, srv, "192.0.2.2/24", "192.0.2.1/24")
        ns.exec(cli, "ip", "route", "add", "default", "via", "192.0.2.1")
        links_before = ns.exec(cli, "ip", "-o", "link", "show").stdout

        # The plugin is real: OpenVPN run directly by root loads it.
        ns.exec(cli, "timeout", "5", f"{service_dir}/openvpn/bin/openvpn", "--plugin", plugin, "--dev", "null",
                "--verb", "0", check=False)
        results.check("the test's plugin loads when OpenVPN is told to", os.path.exists(marker))
        if os.path.exists(marker):
            os.remove(marker)

        log = f"{work}/service.log"
        script = (f"mount --bind {work}/passwd /etc/passwd && mount --bind {work}/group /etc/group && "
                  f'exec "$0" "$@"')
        service = ns.popen(cli, "unshare", "--mount", "--propagation", "private", "sh", "-c", script,
                           f"{service_dir}/vpn-service", "--port", str(PORT), "--log", log,
                           "--allow-group", GROUP, "--state-dir", f"{work}/state")

        def service_log():
            try:
                with open(log) as f:
                    return f.read()
            except OSError:
                return ""

        results.check("the service starts", wait_for(lambda: f"Listening on 127.0.0.1:{PORT}" in service_log(), 10))
        results.check("the service names its access rule",
                      f"Serving root and the members of the group '{GROUP}'" in service_log())

        attacker, victim, outsider = (User(ns, name) for name in ("attacker", "victim", "outsider"))
        users += [attacker, victim, outsider]

        # 1. Who may use the service at all.
        results.check("a user outside the group is refused before the handshake", not outsider.connect())
        results.check("the refusal names the group", wait_for(
            lambda: f"user {USERS['outsider']} is not a member of the group '{GROUP}'" in service_log(), 5))
        results.check("members of the group are served", attacker.connect() and victim.connect())
        attacker.do(f"ws {PORT} http://evil.example")
        results.check("a web page's handshake is refused", attacker.expect("WS ") != "WS OPEN")

        def write_user_file(user, name, content, mode=0o600):
            path = f"{work}/home/{user.name}/{name}"
            with open(path, "w" if isinstance(content, str) else "wb") as f:
                f.write(content)
            os.chown(path, user.uid, user.uid)
            os.chmod(path, mode)
            return path

        def openvpn_words(user, config_name, content):
            config = write_user_file(user, config_name, content)
            log_file = write_user_file(user, "vpn.log", "")
            return [f"{service_dir}/openvpn/bin/openvpn", "--config", config, "--management", "127.0.0.1",
                    str(MANAGEMENT), "--management-query-passwords", "--management-client", "--log-append", log_file]

        with open(f"{BIN}/../src/clients/config/general.ovpn") as f:
            template = f.read()
        good = template.replace("<SERVER> <PORT> <PROTOCOL>", "192.0.2.1 1194 udp").replace(
            "<ADDITIONAL_DATA>", "verb 3\n")

        # 2. Refused directives in disguise, files, devices and routes: nothing runs.
        attacker.do(f"listen {MANAGEMENT}")
        results.check("the attacker listens on the management port", attacker.expect("LISTEN") == "LISTENING")
        refused = {
            "carriage return": "verb 3\rplugin " + plugin,
            "vertical tab": "plugin\v" + plugin,
            "form feed": "\fplugin " + plugin,
            "quote ends the word": '"plugin"' + plugin,
            "single quotes": "'plugin' " + plugin,
            "double dash": "--plugin " + plugin,
            "escaped blank": "plugin\\ " + plugin,
            "inline plugin": f"<plugin>\n{plugin}\n</plugin>",
            "config": f"config {secret}",
            "writepid": f"writepid {secret}",
            "status": f"status {secret}",
            "log-append": f"log-append {secret}",
            "tls-auth from a root file": f"tls-auth {secret} 1",
            "ca from a root file": f"ca {secret}",
            "auth-user-pass from a file": f"auth-user-pass {secret}",
            "askpass": f"askpass {secret}",
            "tap device": "dev tap0",
            "dev-node": "dev-node /dev/null",
            "mktun": "mktun",
            "route": "route 198.51.100.0 255.255.255.0",
            "route-ipv6": "route-ipv6 2001:db8::/32",
            "ifconfig": "ifconfig 10.9.9.1 10.9.9.2",
        }
        refusals = 0
        for case, line in refused.items():
            words = openvpn_words(attacker, "evil.ovpn", good + line + "\n")
            attacker.start(words)
            report = attacker.report("started:")
            if report == "started:0,1,openvpn":
                refusals += 1
            else:
                results.check(f"{case}: refused", False)
        results.check(f"every disguised or forbidden directive is refused ({refusals} of {len(refused)})",
                      refusals == len(refused))
        attacker.start(openvpn_words(attacker, "bom.ovpn", "\ufeffplugin " + plugin + "\n" + good))
        results.check("a byte-order mark hides nothing", attacker.report("started:") == "started:0,1,openvpn")
        results.check("each refusal is logged with its line and reason",
                      "line 1: directive 'plugin' is not allowed" in service_log())
        results.check("the plugin never loaded", not os.path.exists(marker))
        with open(secret) as f:
            results.check("the root-only file is unchanged", f.read() == "root only\n")
        results.check("no device appeared or vanished", ns.exec(cli, "ip", "-o", "link", "show").stdout == links_before)
        results.check("no route was added", "198.51.100" not in ns.exec(cli, "ip", "route").stdout)

        # The client's own configuration runs, from the service's canonical copy.
        attacker.start(openvpn_words(attacker, "good.ovpn", good))
        report = attacker.report("started:")
        results.check("the client's configuration starts the real OpenVPN", pid_of(report) > 0)
        answer = attacker.expect("LINE 1 SUCCESS: pid=")
        results.check("the engine that reaches the attacker's port is the reported process",
                      answer is not None and answer.endswith(f"pid={pid_of(report)}"))
        attacker.do("send start: <kill openvpn>")
        results.check("the attacker ends its own engine", attacker.report(f"finished:{pid_of(report)},") is not None)
        attacker.do("unlisten")
        attacker.expect("UNLISTENED")

        # 3. The victim's engine and state: another user can neither end nor change them.
        victim.do(f"listen {MANAGEMENT}")
        victim.expect("LISTEN")
        victim.start(openvpn_words(victim, "victim.ovpn", good))
        engine = pid_of(victim.report("started:"))
        if not results.check("the victim's engine runs", engine > 0 and alive(engine)):
            print("victim saw:", victim.seen[-8:], "\n", service_log()[-1500:])
        results.check("the victim's engine reaches the victim's port", victim.expect("LINE 1 SUCCESS: pid=") is not None)
        attacker.start(openvpn_words(attacker, "good.ovpn", good))
        results.check("the attacker's engine is refused while the victim listens on the port",
                      attacker.report("started:") == "started:0,1,openvpn"
                      and wait_for(lambda: f"is listened on by user {USERS['victim']}, not by user "
                                           f"{USERS['attacker']}" in service_log(), 5))
        attacker.mark()
        attacker.do("send stop: <openvpn>")
        attacker.do("send start: <kill openvpn>")
        attacker.do("send init: connection")
        time.sleep(3)
        results.check("stop, kill and init of another user leave the victim's engine running", alive(engine))
        attacker.drain()
        results.check("the attacker receives none of the victim's reports",
                      not any(str(engine) in event for event in attacker.seen))

        victim.start([f"{service_dir}/killswitch", "enable", "all", "192.0.2.1", "local"])
        results.check("the victim switches the kill switch on", victim.report("finished:") is not None
                      and victim.seen[-1].split(",")[1] == "0")
        victim.start([f"{service_dir}/dns", "vpn", "eth0@172.16.0.1,"])
        results.check("the victim switches the DNS", victim.report("finished:") is not None)
        vpn_resolv = ns.resolv(cli)
        for words, what in [([f"{service_dir}/killswitch", "disable", "all"], "kill switch off"),
                            ([f"{service_dir}/killswitch", "enable", "all", "198.51.100.9", ""], "kill switch elsewhere"),
                            ([f"{service_dir}/dns", "reset"], "DNS reset"),
                            ([f"{service_dir}/dns", "vpn", "eth0@203.0.113.53,"], "DNS of the attacker's choice"),
                            ([f"{service_dir}/dns", "vpn", "eth0@203.0.113.53,", "stealth:198.51.100.9"],
                             "a route around the tunnel")]:
            attacker.start(words)
            results.check(f"the attacker is refused: {what}", attacker.report("started:") ==
                          f"started:0,1,{os.path.basename(words[0])}")
        results.check("the refusal names the owner", f"belongs to user {USERS['victim']}" in service_log())
        results.check("the victim's firewall is still in place", "table" in ns.exec(cli, "nft", "list", "ruleset").stdout)
        results.check("the victim's DNS is still in place", ns.resolv(cli) == vpn_resolv)
        results.check("no route around the tunnel", "198.51.100.9" not in ns.exec(cli, "ip", "route").stdout)

        # Reports of the victim's programs wait for the victim, and only for it.
        victim.do("close")
        victim.expect("WS CLOSED")
        os.kill(engine, 15)
        results.check("the victim's engine ends", wait_for(lambda: not alive(engine), 10))
        time.sleep(0.5)
        attacker.mark()
        attacker.drain()
        results.check("the attacker does not hear of the victim's engine",
                      not any(f"finished:{engine}," in event for event in attacker.seen))
        victim.connect()
        results.check("the victim hears of it when it comes back",
                      victim.report(f"finished:{engine},", 5) is not None)

        # The owner's release always works; then the state is free again.
        victim.start([f"{service_dir}/dns", "user", "eth0@192.0.2.53"])
        results.check("the victim restores its DNS", victim.report("finished:") is not None)
        victim.start([f"{service_dir}/killswitch", "disable", "all"])
        results.check("the victim switches the kill switch off", victim.report("finished:") is not None)
        results.check("the firewall is gone", "table" not in ns.exec(cli, "nft", "list", "ruleset").stdout)
        attacker.start([f"{service_dir}/dns", "reset"])
        results.check("after the release another user may change the DNS",
                      attacker.report("started:") not in (None, "started:0,1,dns"))
        victim.do("unlisten")

        # 4. Engine ports: a squatted WireGuard control port wins nothing.
        attacker.do(f"listen {CONTROL}")
        attacker.expect("LISTEN")
        attacker.mark()
        wg = write_user_file(victim, "wg-veltranovpn.conf",
                             "[Interface]\nPrivateKey = YJtGcgwNBgv4ZVBmdOWwVuVo7z1wG4H1nO8zZbN1h2M=\n"
                             "Address = 10.66.66.2/32\n\n[Peer]\nPublicKey = Q2xpZW50UGVlcktleUZvclRlc3RzT25seTAwMDAwMDA=\n"
                             "AllowedIPs = 0.0.0.0/0, ::/0\nEndpoint = 192.0.2.1:55888\n")
        victim.start([f"{service_dir}/wireguard/bin/wireguard-service", "--add", wg, "--port", str(CONTROL)])
        results.check("the victim's engine is not started towards the attacker's port",
                      victim.report("started:") == "started:0,1,wireguard-service")
        attacker.drain()
        results.check("the squatter got no connection", not any(e.startswith("CONN") for e in attacker.seen))
        attacker.do("unlisten")
        attacker.expect("UNLISTENED")
        loopback = write_user_file(attacker, "wg-loop.conf", open(wg).read().replace("0.0.0.0/0, ::/0", "127.0.0.0/8"))
        attacker.do(f"listen {CONTROL}")
        attacker.expect("LISTEN")
        attacker.start([f"{service_dir}/wireguard/bin/wireguard-service", "--add", loopback, "--port", str(CONTROL)])
        results.check("a WireGuard configuration that captures loopback is refused",
                      attacker.report("started:") == "started:0,1,wireguard-service"
                      and "would capture loopback or link-local traffic" in service_log())
        attacker.do("unlisten")
        attacker.expect("UNLISTENED")

        # 5. Limits: the attacker's programs are bounded and cannot keep the victim from restoring.
        attacker.do(f"listen {MANAGEMENT}")
        attacker.expect("LISTEN")
        attacker.drain()
        started = 0
        for i in range(8):
            attacker.start(openvpn_words(attacker, f"good{i}.ovpn", good))
            report = attacker.report("started:", name="openvpn")
            if pid_of(report) > 0:
                started += 1
        attacker.start(openvpn_words(attacker, "good8.ovpn", good))
        ninth = attacker.report("started:", name="openvpn")
        results.check(f"the attacker's programs are bounded ({started} ran, then {ninth})",
                      started == 8 and ninth == "started:0,3,openvpn")
        victim.start([f"{service_dir}/dns", "reset"])
        results.check("the victim's dns reset still runs", pid_of(victim.report("started:")) > 0)
        victim.start([f"{service_dir}/killswitch", "disable", "all"])
        results.check("the victim's killswitch disable still runs", pid_of(victim.report("started:")) > 0)
        attacker.do("send init: connection")
        attacker.do("unlisten")

        # 6. Handshakes that never finish, and descriptors that run out.
        attacker.do(f"flood {PORT} 300")
        flood = attacker.expect("FLOOD", 30)
        results.check("the attacker opens its connections", flood is not None)
        victim.do("close")
        victim.expect("WS CLOSED")
        begin = time.monotonic()
        results.check("a fresh client is served during the flood", victim.connect())
        results.check("within seconds", time.monotonic() - begin < 5)
        results.check("the flood is cut at the handshake limit", "too many handshakes in progress" in service_log())
        attacker.do("unflood")
        attacker.expect("UNFLOODED")

        pids = [int(p) for p in run("ip", "netns", "pids", cli).stdout.split()]
        service_pid = next(p for p in pids if os.path.realpath(f"/proc/{p}/exe").endswith("/vpn-service"))
        # No descriptor left below the limit: the next accept fails.
        used = {int(fd) for fd in os.listdir(f"/proc/{service_pid}/fd")}
        lowest_free = next(n for n in range(len(used) + 1) if n not in used)
        run("prlimit", f"--pid={service_pid}", f"--nofile={lowest_free}:")
        victim.do("close")
        victim.expect("WS CLOSED")
        attacker.do(f"flood {PORT} 6")
        attacker.expect("FLOOD", 30)
        results.check("the descriptors run out", wait_for(lambda: "Cannot accept a connection" in service_log(), 10))
        # Paused, not spinning on the waiting connection.
        cpu_before = sum(int(x) for x in open(f"/proc/{service_pid}/stat").read().rsplit(")", 1)[1].split()[11:13])
        time.sleep(1)
        cpu_after = sum(int(x) for x in open(f"/proc/{service_pid}/stat").read().rsplit(")", 1)[1].split()[11:13])
        results.check(f"the service waits without spinning ({cpu_after - cpu_before} ticks in 1 s)",
                      cpu_after - cpu_before < 20)
        attacker.do("unflood")
        attacker.expect("UNFLOODED")
        run("prlimit", f"--pid={service_pid}", "--nofile=1024:")
        begin = time.monotonic()
        results.check("the service accepts again once descriptors are back", victim.connect())
        results.check("within seconds", time.monotonic() - begin < 5)
        results.check("the service still runs", service.poll() is None)
    finally:
        for user in users:
            user.stop()
        ns.close()
        shutil.rmtree(work, ignore_errors=True)
    return results.finish()


if __name__ == "__main__":
    sys.exit(main())
