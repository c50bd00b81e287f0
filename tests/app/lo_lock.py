#!/usr/bin/python3
# A real LibreOffice, headless with its own profile, opening the workbook the
# way a user would, for the tests of the marks that keep it away while the
# program runs.
#
#   lo_lock.py open PATH PASSWORD   loads the workbook, prints {"loaded", "readonly"}
#   lo_lock.py hold PATH PASSWORD   loads it for editing and prints "HELD";
#                                   then a line "kill" kills the office with
#                                   SIGKILL (its lock file stays behind), end
#                                   of input closes the document properly.

import json
import os
import signal
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "codec"))

import uno  # noqa: E402
import unohelper  # noqa: E402
from com.sun.star.task import XInteractionHandler  # noqa: E402
from lo_peer import Office, pv  # noqa: E402


class ReadOnlyWhenInUse(unohelper.Base, XInteractionHandler):
    """Answers "Open Read-Only" where a user is asked about a document in use,
    and cancels anything else."""

    def handle(self, request):
        for name in ("Approve", "Abort"):
            wanted = uno.getTypeByName("com.sun.star.task.XInteraction" + name)
            for c in request.getContinuations():
                try:
                    if c.queryInterface(wanted) is not None:
                        c.select()
                        return
                except Exception:
                    pass


def load(office, path, password):
    args = [pv("Hidden", True), pv("InteractionHandler", ReadOnlyWhenInUse())]
    if password:
        args.append(pv("Password", password))
    return office.desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0, tuple(args))


def main():
    cmd, path, password = sys.argv[1], sys.argv[2], sys.argv[3]
    office = Office()
    try:
        doc = load(office, path, password)
        if cmd == "open":
            print(json.dumps({"loaded": doc is not None, "readonly": bool(doc is not None and doc.isReadonly())}))
            if doc is not None:
                doc.close(True)
            return 0
        if doc is None or doc.isReadonly():
            print("NOT-HELD", flush=True)
            return 1
        print("HELD", flush=True)
        line = sys.stdin.readline()
        if line.strip() == "kill":
            os.killpg(office.proc.pid, signal.SIGKILL)
            office.proc.wait()
            print("KILLED", flush=True)
            return 0
        doc.close(True)
        return 0
    finally:
        office.close()


if __name__ == "__main__":
    sys.exit(main())
