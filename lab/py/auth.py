#!/usr/bin/python3
"""OpenVPN auth-user-pass-verify script (via-file): checks the user name and the
password against the lab's accounts; a disabled account is refused too."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import labconf  # noqa: E402


def main():
    try:
        with open(sys.argv[1], encoding="utf-8", errors="replace") as f:
            lines = f.read().split("\n")
        user, password = lines[0], lines[1] if len(lines) > 1 else ""
        account = labconf.find_account(labconf.load_accounts(), user)
    except (OSError, IndexError, ValueError) as error:
        sys.stderr.write("lab auth: %s\n" % error)
        return 1
    if account is None or not labconf.password_matches(account, password):
        sys.stderr.write("lab auth: refused '%s': wrong user name or password\n" % user)
        return 1
    if account["status"] == "Disabled":
        sys.stderr.write("lab auth: refused '%s': account disabled\n" % user)
        return 1
    sys.stderr.write("lab auth: accepted '%s'\n" % user)
    return 0


if __name__ == "__main__":
    sys.exit(main())
