"""Runs the built plug-in under the probe host's serve command in a temporary HOME.

Needs VARNET_PROBE (the varnet-probe program) and VARNET_VST3_BUNDLE (the built .vst3 folder).
"""

import copy
import json
import os
import queue
import shutil
import subprocess
import tempfile
import threading
from pathlib import Path

import tolmek_mcp_client as mcp
from hosted_process import HostedProcess


def required(variable):
    value = os.environ.get(variable)
    if not value:
        raise RuntimeError(variable + " must be set")
    return value


class ProbeServer(HostedProcess):
    stop_timeout = 30.0

    """One plug-in instance kept alive by the probe host; stdin carries render commands."""

    def __init__(self, play=False, home=None, start_timeout=60.0):
        self.own_home = home is None
        self.home = Path(home or tempfile.mkdtemp(prefix="mcp-plugin-home-"))
        env = dict(os.environ)
        env["HOME"] = str(self.home)
        env.pop("XDG_CONFIG_HOME", None)
        env["TMPDIR"] = str(self.home / "tmp")
        (self.home / "tmp").mkdir(parents=True, exist_ok=True)
        self.env = env

        command = [required("VARNET_PROBE"), "serve", required("VARNET_VST3_BUNDLE")]
        if play:
            command.append("--play")
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env, text=True)
        self.lines = queue.Queue()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

        first = self.next_line(start_timeout)
        if not first.startswith("instance "):
            self.kill()
            raise RuntimeError("the probe host did not announce an instance: %r" % first)
        self.folder = Path(first[len("instance "):])
        self.instance = mcp.Instance(self.folder)
        self.instance_id = self.instance.instance_id
        self.instances_root = self.folder.parent

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def next_line(self, timeout=30.0):
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise TimeoutError("the probe host printed nothing for %.0f s" % timeout)
        if line is None:
            raise EOFError("the probe host ended (exit %s)" % self.process.poll())
        return line

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def render(self, beats, chord=None, timeout=60.0):
        """The MIDI events of a fresh render from beat 0, as the probe formats them."""
        self.send("render %s%s" % (beats, " " + ",".join(map(str, chord)) if chord else ""))
        events = []
        while True:
            line = self.next_line(timeout)
            if line.startswith("rendered "):
                return events
            events.append(line)

    def rest_of_output(self, timeout=30.0):
        out = []
        try:
            while True:
                out.append(self.next_line(timeout))
        except EOFError:
            return out

    def end_input(self, timeout=30.0):
        """Closes standard input, which ends the host; returns the exit code."""
        self.process.stdin.close()
        return self.process.wait(timeout)

    def close(self):
        self.kill()
        for stream in (self.process.stdin, self.process.stdout):
            try:
                if stream:
                    stream.close()
            except OSError:
                pass
        if self.own_home:
            shutil.rmtree(self.home, ignore_errors=True)


# Real projects for tests and soaks, built from a project the plug-in exported.

def _first_pattern(project):
    return project["sections"][0]["sequence"][0]


def with_repeated_notes(project, notes, pattern_repeat=1, section_repeat=1):
    """A copy whose first Pattern holds `notes` copies of its own notes (fresh ids), played
    `pattern_repeat` times per Section pass and `section_repeat` passes."""
    changed = copy.deepcopy(project)
    pattern = _first_pattern(changed)
    originals = pattern["notes"]
    pattern["notes"] = [dict(originals[i % len(originals)], id="n-%d" % i) for i in range(notes)]
    pattern["pedal"] = []
    _set_repeat(pattern, pattern_repeat)
    _set_repeat(changed["sections"][0], section_repeat)
    return changed


def _set_repeat(node, count):
    # The plug-in writes a repeat count only when it is not 1; a project sent with "repeatCount": 1
    # would come back without it and be answered as applied differently.
    node.pop("repeatCount", None)
    if count != 1:
        node["repeatCount"] = count


def text_bytes(project):
    """About the size of the plug-in's multi-line JSON text of a project."""
    return len(json.dumps(project, indent=2).encode("utf-8"))


def of_size(project, size_bytes, events_per_pattern=2048):
    """A copy of about `size_bytes` of JSON text (never more) with one Section: the first Pattern,
    filled with copies of its notes, as many times as needed (at most 16 Patterns)."""
    base = copy.deepcopy(project)
    base["sections"] = [dict(base["sections"][0], sequence=[_first_pattern(base)])]
    base["activeSectionIndex"] = 0
    originals = _first_pattern(project)["notes"]
    per_note = (text_bytes(with_repeated_notes(base, 101)) - text_bytes(with_repeated_notes(base, 1))) / 100.0
    wanted = max(1, int((size_bytes - text_bytes(with_repeated_notes(base, 1))) / per_note))

    template = _first_pattern(with_repeated_notes(base, 1))
    sequence, made = [], 0
    while made < wanted and len(sequence) < 16:
        count = min(events_per_pattern, wanted - made)
        sequence.append(dict(template, notes=[dict(originals[(made + i) % len(originals)], id="n-%d" % (made + i))
                                              for i in range(count)]))
        made += count
    base["sections"][0]["sequence"] = sequence

    while True:
        excess = text_bytes(base) - size_bytes
        if excess <= 0 or len(sequence[-1]["notes"]) <= 1:
            return base
        del sequence[-1]["notes"][-min(len(sequence[-1]["notes"]) - 1, int(excess / per_note) + 1):]
