"""Runs the bridge test host in a temporary HOME and steers its fake project store."""

import json
import os
import shutil
import subprocess
import tempfile
import time
import uuid
from pathlib import Path

import tolmek_mcp_client as mcp
from hosted_process import HostedProcess


def host_program():
    program = os.environ.get("VARNET_BRIDGE_HOST")
    if not program:
        raise RuntimeError("VARNET_BRIDGE_HOST must name the varnet-bridge-host program")
    return program


class BridgeHost(HostedProcess):
    stop_timeout = 10.0

    def __init__(self, project_bytes=2000, home=None):
        self.own_home = home is None
        self.home = Path(home or tempfile.mkdtemp(prefix="mcp-home-"))
        self.control_folder = self.home / "control"
        env = dict(os.environ)
        env["HOME"] = str(self.home)
        env.pop("XDG_CONFIG_HOME", None)
        env["TMPDIR"] = str(self.home / "tmp")
        (self.home / "tmp").mkdir(parents=True, exist_ok=True)
        self.env = env
        self.process = subprocess.Popen(
            [host_program(), "--control", str(self.control_folder), "--project-bytes", str(project_bytes)],
            stdout=subprocess.PIPE, env=env, text=True)
        line = self.process.stdout.readline().split()
        if len(line) != 3 or line[0] != "READY":
            self.process.kill()
            raise RuntimeError("bridge host did not start: %r" % line)
        self.instance_id = line[1]
        self.instance = mcp.Instance(Path(line[2]), self.instance_id)
        self.instances_root = mcp.instances_folder(self.home / ".config")

    def control(self, command, timeout=10.0, **fields):
        fields["command"] = command
        name = "%d-%s" % (time.time_ns(), uuid.uuid4().hex[:8])
        staged = self.control_folder / (name + ".staged-command")
        staged.write_text(json.dumps(fields))
        os.replace(staged, self.control_folder / (name + ".json"))
        result = self.control_folder / (name + ".result")
        deadline = time.monotonic() + timeout
        while not result.exists():
            if time.monotonic() > deadline:
                raise TimeoutError("host did not run " + command)
            time.sleep(0.005)
        answer = json.loads(result.read_text())
        result.unlink()
        return answer

    def state(self):
        return self.control("state")

    def close(self):
        self.kill()
        if self.process.stdout:
            self.process.stdout.close()
        if self.own_home:
            shutil.rmtree(self.home, ignore_errors=True)
