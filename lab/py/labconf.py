#!/usr/bin/python3
"""The lab's topology (lab/topology.json) and the configuration files built from it.

Every address, port and server of the lab is read from the topology file, so the
shell scripts, the servers and the self-test agree on one table. As a command:

  labconf.py get KEY[.KEY...]       print one value (lists one item per line)
  labconf.py servers                print "INDEX IP NAME" per VPN server
  labconf.py render OUTDIR          write the runtime configuration files
  labconf.py shell                  print the values the shell scripts use, as
                                    assignments for `eval`
"""

import hashlib
import hmac
import json
import os
import shlex
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TOPOLOGY = os.environ.get("VPNLAB_TOPOLOGY", os.path.join(HERE, "..", "topology.json"))
RUN_DIR = os.environ.get("VPNLAB_RUN", "/run/vpnlab")


def load(path=TOPOLOGY):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def servers(topo):
    """The VPN servers with their instance data (tunnel subnets, device names)."""
    result = []
    for index, server in enumerate(topo["servers"], start=1):
        entry = dict(server)
        entry["index"] = index
        entry.setdefault("geo", server["country"])
        entry["udp_net"] = "10.8.%d.0" % (2 * index)
        entry["tcp_net"] = "10.8.%d.0" % (2 * index + 1)
        entry["nat_net"] = "10.8.%d.0/23" % (2 * index)
        entry["udp_net6"] = "fd00:8:0:%x0::/64" % index
        entry["tcp_net6"] = "fd00:8:0:%x1::/64" % index
        entry["udp_dev"] = "ovu%d" % index
        entry["tcp_dev"] = "ovt%d" % index
        # One WireGuard peer per server address: the public port is forwarded to
        # the instance's own port, and replies find their way back through a
        # connection mark and a routing table of the instance.
        entry["wg_dev"] = "wgl%d" % index
        entry["wg_port"] = topo["wireguard"]["port_base"] + index
        entry["wg_mark"] = 0x100 + index
        entry["wg_table"] = 100 + index
        result.append(entry)
    return result


def geo_table(topo):
    """Address -> country code, as the geo-IP service answers it."""
    table = {s["ip"]: s["geo"] for s in servers(topo)}
    table.update(topo.get("geo", {}))
    return table


def feed_entries(topo):
    """The <server> elements of the XML feed, in feed order."""
    entries = []
    for server in list(topo["servers"]) + list(topo.get("feed_extra", [])):
        entries.append({
            "visible": str(server.get("visible", 1)),
            "status": str(server.get("status", 1)),
            "ip": server["ip"],
            "country": server["country"],
            "city": server["city"],
            "name": server["name"],
            "capacity": str(server["capacity"]),
            "cpu": server["cpu"],
        })
    return entries


def host_address(cidr):
    return cidr.split("/")[0]


def dns_names(topo):
    """Names every lab resolver answers, name -> IPv4 address."""
    names = {host: topo["api"]["address"] for host in topo["api"]["hosts"]}
    for server in topo["servers"]:
        names[server["name"]] = server["ip"]
    return names


def accounts_path(run_dir=RUN_DIR):
    return os.path.join(run_dir, "etc", "keys", "accounts.json")


def load_accounts(path=None):
    with open(path or accounts_path(), encoding="utf-8") as f:
        return json.load(f)


def find_account(accounts, user_name):
    for account in accounts:
        if account["username"] == user_name:
            return account
    return None


def password_matches(account, password):
    digest = hashlib.sha256(password.encode("utf-8")).hexdigest()
    return hmac.compare_digest(digest, account["password_sha256"])


# --- rendering -----------------------------------------------------------------


def openvpn_config(topo, server, proto, run_dir):
    keys = os.path.join(run_dir, "etc", "keys")
    bin_dir = os.path.join(run_dir, "bin")
    udp = proto == "udp"
    net = server["udp_net"] if udp else server["tcp_net"]
    net6 = server["udp_net6"] if udp else server["tcp_net6"]
    dev = server["udp_dev"] if udp else server["tcp_dev"]
    dns4, dns6 = topo["vpn_dns"]
    lines = [
        "# %s, OpenVPN over %s" % (server["name"], proto.upper()),
        "dev %s" % dev,
        "dev-type tun",
        "topology subnet",
        "proto %s" % ("udp4" if udp else "tcp4-server"),
        "local %s" % server["ip"],
        "port %d" % (topo["ports"]["udp"][0] if udp else topo["ports"]["tcp_open"][0]),
        "server %s 255.255.255.0" % net,
        "server-ipv6 %s" % net6,
        "tls-server",
        "ca %s/ca.crt" % keys,
        "cert %s/server.crt" % keys,
        "key %s/server.key" % keys,
        "dh none",
        "ecdh-curve prime256v1",
        "tls-crypt %s/tls-crypt.key" % keys,
        "data-ciphers AES-256-GCM",
        "cipher AES-256-GCM",
        "auth SHA256",
        "compress lz4-v2",
        "allow-compression yes",
        "verify-client-cert none",
        "username-as-common-name",
        "duplicate-cn",
        "script-security 2",
        "auth-user-pass-verify %s/auth.py via-file" % bin_dir,
        "tmp-dir %s/tmp" % run_dir,
        "keepalive 10 60",
        'push "redirect-gateway def1 ipv6 bypass-dhcp"',
        'push "dhcp-option DNS %s"' % dns4,
        'push "dhcp-option DNS %s"' % dns6,
        "status %s/status/%s.status 5" % (run_dir, dev),
        "verb 3",
    ]
    if udp:
        lines.append("explicit-exit-notify 1")
    else:
        # Stealth clients reach this server through the local stunnel, so their
        # OpenVPN knows no real remote and adds no host route for it; the
        # connect script pushes host routes for the server addresses to them.
        lines.append("client-connect %s/connect.py" % bin_dir)
    return "\n".join(lines) + "\n"


def stunnel_config(topo, run_dir):
    keys = os.path.join(run_dir, "etc", "keys")
    lines = [
        "foreground = yes",
        "pid =",
        "debug = notice",
        "cert = %s/server.crt" % keys,
        "key = %s/server.key" % keys,
        "sslVersionMin = TLSv1.2",
        "",
    ]
    for server in servers(topo):
        lines += [
            "[stealth-%d]" % server["index"],
            "accept = %s:%d" % (server["ip"], topo["ports"]["stealth"]),
            "connect = %s:%d" % (server["ip"], topo["ports"]["tcp_open"][0]),
            "",
        ]
    return "\n".join(lines)


def nft_ruleset(topo):
    link = topo["link"]
    ports = topo["ports"]
    udp_main, udp_other = ports["udp"][0], ports["udp"][1:]
    tcp_main, tcp_other = ports["tcp_open"][0], ports["tcp_open"][1:]
    dns4, dns6 = topo["vpn_dns"]
    pre, nat_in, mark_in = [], [], []
    for server in servers(topo):
        ip = server["ip"]
        if udp_other:
            pre.append("ip daddr %s udp dport { %s } dnat ip to %s:%d"
                       % (ip, ", ".join(map(str, udp_other)), ip, udp_main))
        if tcp_other:
            pre.append("ip daddr %s tcp dport { %s } dnat ip to %s:%d"
                       % (ip, ", ".join(map(str, tcp_other)), ip, tcp_main))
        pre.append("ip daddr %s udp dport %d dnat ip to %s:%d" % (ip, ports["wireguard"], ip, server["wg_port"]))
        nat_in.append("ip saddr %s meta l4proto { tcp, udp } snat ip to %s" % (server["nat_net"], ip))
        nat_in.append('iifname "%s" meta l4proto { tcp, udp } snat ip to %s' % (server["wg_dev"], ip))
        mark_in.append('iifname "%s" ct mark set 0x%x' % (server["wg_dev"], server["wg_mark"]))
    addrs = ", ".join(s["ip"] for s in topo["servers"])
    filtered = ", ".join(map(str, ports["tcp_filtered"]))
    server_if = link["server_if"]
    chains = [
        chain("prerouting", "type nat hook prerouting priority dstnat", pre),
        chain("input_nat", "type nat hook input priority 100", nat_in),
        chain("mark_in", "type filter hook prerouting priority mangle", mark_in),
        chain("mark_out", "type route hook output priority mangle", ["ct mark != 0 meta mark set ct mark"]),
        chain("input", "type filter hook input priority filter", [
            'iifname "%s" ip daddr %s drop' % (server_if, dns4),
            'iifname "%s" ip6 daddr %s drop' % (server_if, dns6),
            'iifname "%s" ip daddr { %s } tcp dport { %s } drop' % (server_if, addrs, filtered),
        ]),
    ]
    # Declaring the table first lets "delete" succeed on the first load too, so
    # a repeated load replaces the rules in one transaction.
    out = ["table inet vpnlab {}", "delete table inet vpnlab", "table inet vpnlab {"]
    for lines in chains:
        out += lines
    out.append("}")
    return "\n".join(out) + "\n"


def chain(name, hook, rules):
    return (["  chain %s {" % name, "    %s; policy accept;" % hook]
            + ["    " + rule for rule in rules] + ["  }"])


def wireguard_config(server, deployment_accounts, private_key):
    lines = ["[Interface]", "PrivateKey = %s" % private_key,
             "ListenPort = %d" % server["wg_port"], ""]
    for account in deployment_accounts:
        if account.get("status") == "Disabled":
            continue
        lines += ["[Peer]", "PublicKey = %s" % account["wg_public_key"],
                  "AllowedIPs = %s/32" % account["wg_ip"], ""]
    return "\n".join(lines)


def hosts_file(topo):
    lines = ["127.0.0.1\tlocalhost", "::1\tlocalhost ip6-localhost ip6-loopback",
             "ff02::1\tip6-allnodes", "ff02::2\tip6-allrouters", "",
             "# lab hosts"]
    lines.append("%s\t%s" % (topo["api"]["address"], " ".join(topo["api"]["hosts"])))
    for server in topo["servers"]:
        lines.append("%s\t%s" % (server["ip"], server["name"]))
    return "\n".join(lines) + "\n"


def render(out_dir, run_dir=RUN_DIR):
    topo = load()
    keys = os.path.join(run_dir, "etc", "keys")
    with open(os.path.join(keys, "accounts.json"), encoding="utf-8") as f:
        accounts = json.load(f)
    with open(os.path.join(keys, "wg-peer.key"), encoding="ascii") as f:
        wg_key = f.read().strip()
    files = {
        "stunnel.conf": stunnel_config(topo, run_dir),
        "nft.conf": nft_ruleset(topo),
        "hosts": hosts_file(topo),
        "resolv.conf": "nameserver %s\n" % topo["resolver"],
    }
    for server in servers(topo):
        for proto, dev in (("udp", server["udp_dev"]), ("tcp", server["tcp_dev"])):
            files["openvpn/%s.conf" % dev] = openvpn_config(topo, server, proto, run_dir)
        files["wireguard/%s.conf" % server["wg_dev"]] = wireguard_config(server, accounts, wg_key)
    for name, text in files.items():
        path = os.path.join(out_dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path + ".new", "w", encoding="utf-8") as f:
            f.write(text)
        os.chmod(path + ".new", 0o600)
        os.replace(path + ".new", path)


def shell_values(topo):
    link, ports, wg = topo["link"], topo["ports"], topo["wireguard"]
    values = {
        "SRV_IF": link["server_if"],
        "CLI_IF": link["client_if"],
        "CLIENT_CIDR": link["client"],
        "GATEWAY_CIDR": link["gateway"],
        "CLIENT6_CIDR": link["client6"],
        "GATEWAY6_CIDR": link["gateway6"],
        "CLIENT_ADDR": host_address(link["client"]),
        "GATEWAY_ADDR": host_address(link["gateway"]),
        "GATEWAY6_ADDR": host_address(link["gateway6"]),
        "RESOLVER": topo["resolver"],
        "VPN_DNS4": topo["vpn_dns"][0],
        "VPN_DNS6": topo["vpn_dns"][1],
        "API_ADDR": topo["api"]["address"],
        "API_HOSTS": topo["api"]["hosts"],
        "DNS_TEST_NAME": topo["dns_test_name"],
        "DNS_RESOLVER_TXT": topo["dns_views"]["resolver"]["txt"],
        "DNS_VPN_TXT": topo["dns_views"]["vpn"]["txt"],
        "UDP_PORTS": ports["udp"],
        "TCP_OPEN_PORTS": ports["tcp_open"],
        "TCP_FILTERED_PORTS": ports["tcp_filtered"],
        "STEALTH_PORT": ports["stealth"],
        "WG_PORT": ports["wireguard"],
        "WG_ADDR": wg["address"],
        "WG_CLIENTS": wg["clients"],
        "SERVER_ADDRS": [s["ip"] for s in topo["servers"]],
        "SERVER_NAMES": [s["name"] for s in topo["servers"]],
        "SERVER_GEO": [s["geo"] for s in servers(topo)],
        "SERVER_ICMP_MS": ["-" if s.get("icmp_ms") is None else s["icmp_ms"] for s in topo["servers"]],
        "SERVER_WG_DEVS": [s["wg_dev"] for s in servers(topo)],
        "SERVER_WG_PORTS": [s["wg_port"] for s in servers(topo)],
        "SERVER_WG_MARKS": ["0x%x" % s["wg_mark"] for s in servers(topo)],
        "SERVER_WG_TABLES": [s["wg_table"] for s in servers(topo)],
        "CLIENT_GEO": topo["geo"].get(host_address(link["client"]), ""),
    }
    lines = []
    for name, value in values.items():
        if isinstance(value, list):
            lines.append("%s=(%s)" % (name, " ".join(shlex.quote(str(v)) for v in value)))
        else:
            lines.append("%s=%s" % (name, shlex.quote(str(value))))
    return "\n".join(lines)


def get(topo, key):
    value = topo
    for part in key.split("."):
        value = value[int(part)] if isinstance(value, list) else value[part]
    return value


def main(argv):
    if len(argv) >= 2 and argv[0] == "get":
        value = get(load(), argv[1])
        if isinstance(value, list):
            print("\n".join(str(v) for v in value))
        elif isinstance(value, dict):
            print(json.dumps(value))
        else:
            print(value)
    elif argv == ["shell"]:
        print(shell_values(load()))
    elif argv == ["servers"]:
        for server in servers(load()):
            print(server["index"], server["ip"], server["name"])
    elif len(argv) == 2 and argv[0] == "render":
        render(argv[1])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
