#!/usr/bin/env python3
"""The bridge of the real plug-in, loaded by the probe host (probe_server.ProbeServer) in a
temporary HOME, through files only: what only the real project store can show. The protocol suite
itself runs against the real plug-in through serve_plugin.py (see tests/bridge/CMakeLists.txt).

Needs VARNET_PROBE and VARNET_VST3_BUNDLE.
"""

import copy
import json
import re
import time
import unittest
import uuid

import tolmek_mcp_client as mcp
from probe_server import ProbeServer, with_repeated_notes


def fresh(prefix):
    return prefix + "-" + uuid.uuid4().hex[:12]


NOTE_ON = re.compile(r"^\d+ note-on ch (\d+) note (\d+) vel \d+$")


def notes_played(events):
    """(channel, note) of every note-on, in order."""
    return [(int(m.group(1)), int(m.group(2))) for m in map(NOTE_ON.match, events) if m]


class ServedPluginCase(unittest.TestCase):
    def serve(self, **options):
        server = ProbeServer(**options)
        self.addCleanup(server.close)
        return server

    def assertError(self, answer, code, message):
        self.assertFalse(answer["ok"], answer)
        self.assertEqual((answer["errorCode"], answer["errorMessage"]), (code, message))


class RealPluginLifecycleTests(ServedPluginCase):
    def test_presence_describes_the_project(self):
        server = self.serve()
        live = mcp.discover(server.instances_root)
        self.assertEqual([p["instanceId"] for p in live], [server.instance_id])
        current = server.instance.call("get_json")
        project = current["project"]

        def expected(project):
            name = project["identity"]["name"]
            sections = project["sections"]
            return {"product": "Varne-T", "pluginVersion": "1.3.6", "displayName": "Varne-T - " + name,
                    "instanceName": name, "roleId": "", "instrumentId": "",
                    "activeSectionName": sections[project["activeSectionIndex"]]["name"],
                    "sectionCount": len(sections), "writable": True, "readOnlyReason": ""}

        def described(presence):
            return {key: presence[key] for key in expected(project)}

        presence = live[0]
        self.assertEqual(described(presence), expected(project))
        self.assertEqual((presence["revision"], presence["contentRevision"]), (current["revision"], current["contentRevision"]))
        self.assertEqual(presence["leaseUntilMs"] - presence["updatedAtMs"], 15000)

        # A change shows in the presence file at once, not at the next 5-second rewrite.
        changed = copy.deepcopy(project)
        changed["identity"]["name"] = "Quiet Otter"
        changed["sections"] = [dict(project["sections"][0], name=n) for n in ("Intro", "Verse", "Coda")]
        changed["activeSectionIndex"] = 1
        answer = server.instance.call("set_json", project=changed, changeId=fresh("c"), expectedRevision=current["revision"])
        self.assertTrue(answer["ok"], answer)
        presence = server.instance.presence()
        self.assertEqual(described(presence), expected(changed))
        self.assertEqual(presence["displayName"], "Varne-T - Quiet Otter")
        self.assertEqual(presence["revision"], current["revision"] + 1)

    def test_clean_shutdown_removes_the_folder(self):
        for way in ("SIGTERM", "end of input"):
            with self.subTest(way):
                server = self.serve()
                server.instance.drop("pending.json", "{}")
                code = server.terminate() if way == "SIGTERM" else server.end_input()
                self.assertEqual(code, 0)
                self.assertEqual(server.rest_of_output()[-1], "stopped")
                self.assertFalse(server.folder.exists())
                self.assertEqual(list(server.instances_root.iterdir()), [])

    def test_a_killed_instance_leaves_its_folder_and_expires(self):
        server = self.serve()
        server.kill()
        presence = server.instance.presence()
        self.assertIsNotNone(presence)
        at = presence["leaseUntilMs"]
        self.assertEqual([p["instanceId"] for p in mcp.discover(server.instances_root, at_ms=at - 1)], [server.instance_id])
        self.assertEqual(mcp.discover(server.instances_root, at_ms=at), [])


class RealPluginProjectTests(ServedPluginCase):
    @classmethod
    def setUpClass(cls):
        # Playing all along: every change below lands while the audio thread runs.
        cls.server = ProbeServer(play=True)
        cls.bridge = cls.server.instance

    @classmethod
    def tearDownClass(cls):
        cls.server.close()

    def current(self):
        answer = self.bridge.call("get_json")
        self.assertTrue(answer["ok"], answer)
        return answer

    def set_project(self, project, expected=None):
        revision = expected if expected is not None else self.current()["revision"]
        return self.bridge.call("set_json", project=project, changeId=fresh("c"), expectedRevision=revision)

    def test_invalid_projects_get_the_validation_message_and_change_nothing(self):
        start = self.current()

        def changed(path, value):
            project = copy.deepcopy(start["project"])
            node = project
            for key in path[:-1]:
                node = node[key]
            node[path[-1]] = value
            return project

        rows = [
            (("identity", "name"), " Padded ", "$.identity.name: must be trimmed, non-empty, and at most 256 bytes"),
            (("midiChannel",), 17, "$.midiChannel: must be between 1 and 16"),
            (("midiChannel",), 2 ** 64 + 1, "$.midiChannel: expected an integer"),  # never wrapped to 1
            (("scale", "name"), "Nonsense", "$.scale.name: unsupported scale"),
            (("activeSectionIndex",), 5, "$.activeSectionIndex: must reference an existing section"),
            (("sections", 0, "sequence", 0, "modifiers", "registerOffset"), 4,
             "$.sections[0].sequence[0].modifiers.registerOffset: must be between -3 and 3"),
        ]
        for path, value, message in rows:
            with self.subTest(message):
                project = changed(path, value)
                self.assertError(self.bridge.call("validate_json", project=project), "VALIDATION_FAILED", message)
                self.assertError(self.set_project(project, start["revision"]), "VALIDATION_FAILED", message)

        after = self.current()
        self.assertEqual((after["revision"], after["contentRevision"]), (start["revision"], start["contentRevision"]))

    def test_a_request_with_a_non_json_number_is_refused(self):
        start = self.current()
        project = copy.deepcopy(start["project"])
        project["sections"][0]["sequence"][0]["modifiers"]["swing"] = float("nan")
        document = self.bridge.request("set_json", request_id=fresh("nan"), project=project, changeId=fresh("c"),
                                       expectedRevision=start["revision"])
        self.bridge.drop(document["requestId"] + ".json", json.dumps(document))  # writes NaN
        self.assertError(self.bridge.wait_for(document["requestId"]), "INVALID_REQUEST", "Request is not a JSON object")
        self.assertEqual(self.current()["contentRevision"], start["contentRevision"])

    def test_validation_applies_the_compilers_event_limit(self):
        start = self.current()
        # 512 or 513 events, eight Pattern passes, eight Section passes.
        at_limit = with_repeated_notes(start["project"], 512, pattern_repeat=8, section_repeat=8)
        over_limit = with_repeated_notes(start["project"], 513, pattern_repeat=8, section_repeat=8)
        message = "Repeated section exceeds 32768 events; reduce its repeat counts or notes"

        self.assertError(self.bridge.call("validate_json", project=over_limit), "VALIDATION_FAILED", message)
        self.assertError(self.set_project(over_limit, start["revision"]), "VALIDATION_FAILED", message)
        self.assertEqual(self.current()["contentRevision"], start["contentRevision"])

        self.assertTrue(self.bridge.call("validate_json", project=at_limit)["ok"])
        applied = self.set_project(at_limit, start["revision"])
        self.assertTrue(applied["contentChanged"], applied)
        undone = self.bridge.call("undo", changeId=fresh("u"), expectedRevision=applied["revision"])
        self.assertEqual(undone["contentRevision"], start["contentRevision"])

    def test_an_applied_project_changes_what_plays(self):
        start = self.current()
        before = notes_played(self.server.render(4))
        self.assertEqual(len(before), 8)
        self.assertEqual({channel for channel, _ in before}, {1})

        # Channel 5, and the scale a whole tone up: every note moves with it.
        moved = copy.deepcopy(start["project"])
        moved["midiChannel"] = 5
        moved["scale"]["root"] = (moved["scale"]["root"] + 2) % 12
        applied = self.set_project(moved, start["revision"])
        self.assertTrue(applied["contentChanged"], applied)
        self.assertEqual(notes_played(self.server.render(4)), [(5, note + 2) for _, note in before])

        undone = self.bridge.call("undo", changeId=fresh("u"), expectedRevision=applied["revision"])
        self.assertTrue(undone["ok"], undone)
        self.assertEqual(notes_played(self.server.render(4)), before)

    def test_a_rolled_back_transaction_plays_as_before(self):
        start = self.current()
        before = notes_played(self.server.render(2))
        tid = fresh("t")
        staged = copy.deepcopy(start["project"])
        staged["midiChannel"] = 9
        prepared = self.bridge.call("prepare_set", transactionId=tid, changeId=fresh("c"), project=staged,
                                    expectedRevision=start["revision"])
        self.assertTrue(prepared["ok"], prepared)
        self.assertEqual(notes_played(self.server.render(2)), before)  # prepared, not applied

        self.assertTrue(self.bridge.call("commit", transactionId=tid)["contentChanged"])
        self.assertEqual(notes_played(self.server.render(2)), [(9, note) for _, note in before])

        rolled_back = self.bridge.call("rollback", transactionId=tid)
        self.assertTrue(rolled_back["contentChanged"], rolled_back)
        self.assertEqual(rolled_back["contentRevision"], start["contentRevision"])
        self.assertEqual(notes_played(self.server.render(2)), before)


if __name__ == "__main__":
    unittest.main()
