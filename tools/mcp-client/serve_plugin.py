#!/usr/bin/env python3
"""Runs a command against the real plug-in: serves one instance through the probe host in a
temporary HOME, runs the command with MCP_INSTANCE_DIR (the instance folder) and MCP_NAME_PATH
("identity.name") set, then shuts the host down and checks that the instance folder went with it.

    serve_plugin.py [--play] -- COMMAND [ARG ...]

Needs VARNET_PROBE and VARNET_VST3_BUNDLE. Exit code: the command's, or 1 when the host did not
shut down cleanly.
"""

import os
import subprocess
import sys

from probe_server import ProbeServer


def main(argv):
    if "--" not in argv:
        print(__doc__)
        return 2
    split = argv.index("--")
    options, command = argv[:split], argv[split + 1:]

    server = ProbeServer(play="--play" in options)
    try:
        env = dict(os.environ)
        env["MCP_INSTANCE_DIR"] = str(server.folder)
        env["MCP_NAME_PATH"] = "identity.name"
        result = subprocess.call(command, env=env)

        if server.terminate() != 0:
            print("serve_plugin: the probe host did not exit cleanly", file=sys.stderr)
            result = result or 1
        if server.folder.exists():
            print("serve_plugin: the instance folder was left behind", file=sys.stderr)
            result = result or 1
        return result
    finally:
        server.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
