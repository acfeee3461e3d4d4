"""Throwaway network namespaces for integration tests.

Every namespace, veth pair and /etc/netns folder made here is removed again by
close(), also after a failed test. Addresses live only inside the namespaces.
"""
import os
import shutil
import subprocess
import time


def run(*args, check=True, input=None, timeout=30):
    return subprocess.run(list(args), check=check, input=input, capture_output=True, text=True, timeout=timeout)


class Namespaces:
    def __init__(self, prefix):
        self.prefix = f"{prefix}{os.getpid() % 100000}"
        self.names = []
        self.procs = []

    def add(self, suffix, resolv="nameserver 192.0.2.53\n"):
        name = f"{self.prefix}{suffix}"
        run("ip", "netns", "add", name)
        self.names.append(name)
        # A private resolv.conf, bind-mounted by `ip netns exec` over the machine's.
        folder = f"/etc/netns/{name}"
        os.makedirs(folder, exist_ok=True)
        with open(f"{folder}/resolv.conf", "w") as f:
            f.write(resolv)
        self.exec(name, "ip", "link", "set", "lo", "up")
        return name

    def exec(self, ns, *args, check=True, input=None, timeout=30):
        return run("ip", "netns", "exec", ns, *args, check=check, input=input, timeout=timeout)

    def popen(self, ns, *args, **kwargs):
        proc = subprocess.Popen(["ip", "netns", "exec", ns, *args], **kwargs)
        self.procs.append(proc)
        return proc

    def link(self, a, b, addr_a, addr_b):
        """A veth pair between two namespaces with one address (CIDR) on each side."""
        va, vb = f"v{a[-6:]}a", f"v{b[-6:]}b"
        run("ip", "link", "add", va, "netns", a, "type", "veth", "peer", "name", vb, "netns", b)
        self.exec(a, "ip", "addr", "add", addr_a, "dev", va)
        self.exec(b, "ip", "addr", "add", addr_b, "dev", vb)
        self.exec(a, "ip", "link", "set", va, "up")
        self.exec(b, "ip", "link", "set", vb, "up")
        return va, vb

    def resolv(self, ns):
        with open(f"/etc/netns/{ns}/resolv.conf") as f:
            return f.read()

    def close(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        for name in self.names:
            # Processes still inside end with the namespace's interfaces.
            run("ip", "netns", "pids", name, check=False)
            run("ip", "netns", "delete", name, check=False)
            shutil.rmtree(f"/etc/netns/{name}", ignore_errors=True)
        self.names = []


class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, what, ok):
        if ok:
            self.passed += 1
            print(f"PASS: {what}", flush=True)
        else:
            self.failed += 1
            print(f"FAIL: {what}", flush=True)
        return ok

    def finish(self):
        print(f"{self.passed} passed, {self.failed} failed")
        return 0 if self.failed == 0 else 1


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()
