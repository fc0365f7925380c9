#!/usr/bin/env python3
"""A client of the TOLMEK MCP bridge that knows only its file protocol.

Instances announce themselves in <app data>/TOLMEK/MCP/bridge/v1/instances/<id>/presence.json;
requests are JSON files dropped (whole) into <id>/requests, answers appear in <id>/responses under
the same name.

    tolmek_mcp_client.py list
    tolmek_mcp_client.py call INSTANCE_ID OPERATION [KEY=JSON ...]
"""

import json
import os
import sys
import time
import uuid
from pathlib import Path

REQUEST_FORMAT = "tolmek-mcp-request"
RESPONSE_FORMAT = "tolmek-mcp-response"
PRESENCE_FORMAT = "tolmek-mcp-instance"


def now_ms():
    return int(time.time() * 1000)


def application_data_folder():
    if sys.platform.startswith("win"):
        return Path(os.environ["APPDATA"])
    if sys.platform == "darwin":
        return Path.home() / "Library"
    xdg = os.environ.get("XDG_CONFIG_HOME")
    return Path(xdg) if xdg else Path(os.environ.get("HOME", str(Path.home()))) / ".config"


def instances_folder(base=None):
    return Path(base or application_data_folder()) / "TOLMEK" / "MCP" / "bridge" / "v1" / "instances"


def read_presence(instance_folder):
    try:
        with open(Path(instance_folder) / "presence.json", "rb") as f:
            presence = json.loads(f.read().decode("utf-8"))
    except (OSError, ValueError):
        return None
    if not isinstance(presence, dict) or presence.get("format") != PRESENCE_FORMAT or presence.get("version") != 1:
        return None
    return presence


def discover(folder=None, at_ms=None):
    """Presence records of live instances (lease not yet passed), by display name."""
    at_ms = now_ms() if at_ms is None else at_ms
    found = []
    root = Path(folder) if folder else instances_folder()
    if not root.is_dir():
        return found
    for child in sorted(root.iterdir()):
        presence = read_presence(child) if child.is_dir() else None
        if presence and presence.get("instanceId") == child.name and presence.get("leaseUntilMs", 0) > at_ms:
            found.append(presence)
    return sorted(found, key=lambda p: (p.get("displayName", ""), p["instanceId"]))


class BridgeTimeout(Exception):
    pass


class Instance:
    """One bridge instance, reached through its folder."""

    def __init__(self, folder, instance_id=None):
        self.folder = Path(folder)
        self.instance_id = instance_id or self.folder.name
        self.requests = self.folder / "requests"
        self.responses = self.folder / "responses"
        self.clock_offset_ms = 0  # for bridges whose clock runs ahead of ours (test hosts)

    @classmethod
    def find(cls, instance_id, root=None):
        """root: the instances folder; the user's one by default."""
        return cls(Path(root or instances_folder()) / instance_id, instance_id)

    def presence(self):
        return read_presence(self.folder)

    def request(self, operation, request_id=None, lifetime_ms=30000, **fields):
        """A request document; fields given as None are left out."""
        created = now_ms() + self.clock_offset_ms
        document = {
            "format": REQUEST_FORMAT,
            "version": 1,
            "requestId": request_id or "req-" + uuid.uuid4().hex,
            "instanceId": self.instance_id,
            "operation": operation,
            "createdAtMs": created,
            "expiresAtMs": created + lifetime_ms,
        }
        for key, value in fields.items():
            if value is not None:
                document[key] = value
        return document

    def drop(self, file_name, data):
        """Places a request file whole: written beside the target under a name the bridge ignores,
        then renamed into place."""
        if isinstance(data, (dict, list)):
            data = json.dumps(data)
        if isinstance(data, str):
            data = data.encode("utf-8")
        staged = self.requests / (".staging-" + uuid.uuid4().hex + ".part")
        with open(staged, "wb") as f:
            f.write(data)
        os.replace(staged, self.requests / file_name)

    def response_path(self, request_id):
        return self.responses / (request_id + ".json")

    def wait_for(self, request_id, timeout=15.0, consume=True):
        path = self.response_path(request_id)
        deadline = time.monotonic() + timeout
        while True:
            try:
                with open(path, "rb") as f:
                    raw = f.read()
                answer = json.loads(raw.decode("utf-8"))
                if consume:
                    path.unlink()
                return answer
            except FileNotFoundError:
                pass
            if time.monotonic() > deadline:
                raise BridgeTimeout("no answer to " + request_id)
            time.sleep(0.005)

    def call(self, operation, timeout=15.0, consume=True, **fields):
        document = self.request(operation, **fields)
        self.drop(document["requestId"] + ".json", document)
        return self.wait_for(document["requestId"], timeout, consume)


def main(argv):
    if len(argv) >= 1 and argv[0] == "list":
        for p in discover():
            print("%s  rev %s  %s" % (p["instanceId"], p["revision"], p["displayName"]))
        return 0
    if len(argv) >= 2 and argv[0] == "call":
        instance = Instance.find(argv[1])
        fields = {}
        for pair in argv[3:]:
            key, _, value = pair.partition("=")
            fields[key] = json.loads(value)
        print(json.dumps(instance.call(argv[2], **fields), indent=2))
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
