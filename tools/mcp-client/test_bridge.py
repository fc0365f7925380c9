#!/usr/bin/env python3
"""Drives a running bridge through files only.

By default each test starts the bridge test host (VARNET_BRIDGE_HOST) in a temporary HOME. With
MCP_INSTANCE_DIR set, the protocol tests run against that instance instead (a real plug-in); tests
that need the host's controls are then skipped. MCP_NAME_PATH names the project's text field the
tests change (dotted path; "name" for the test host, e.g. "identity.name" for a real project).
"""

import copy
import json
import os
import shutil
import tempfile
import time
import unittest
import uuid
from pathlib import Path

import tolmek_mcp_client as mcp
from bridge_host import BridgeHost

NAME_PATH = os.environ.get("MCP_NAME_PATH", "name").split(".")


def get_name(project):
    for key in NAME_PATH:
        project = project[key]
    return project


def with_name(project, name):
    changed = copy.deepcopy(project)
    node = changed
    for key in NAME_PATH[:-1]:
        node = node[key]
    node[NAME_PATH[-1]] = name
    return changed


def fresh(prefix):
    return prefix + "-" + uuid.uuid4().hex[:12]


class ExistingInstance:
    def __init__(self, folder):
        self.instance = mcp.Instance(Path(folder))
        self.instance_id = self.instance.instance_id

    def control(self, *args, **kwargs):
        raise unittest.SkipTest("needs the bridge test host")

    def close(self):
        pass


class BridgeTestCase(unittest.TestCase):
    project_bytes = 2000

    def setUp(self):
        existing = os.environ.get("MCP_INSTANCE_DIR")
        self.target = ExistingInstance(existing) if existing else BridgeHost(self.project_bytes)
        self.addCleanup(self.target.close)
        self.bridge = self.target.instance

    def call(self, operation, **fields):
        return self.bridge.call(operation, **fields)

    def current(self):
        answer = self.call("get_json")
        self.assertTrue(answer["ok"], answer)
        return answer

    def set_name(self, name, change_id=None, expected=None):
        got = self.current()
        return self.call("set_json", project=with_name(got["project"], name), changeId=change_id or fresh("c"),
                         expectedRevision=expected if expected is not None else got["revision"])

    def assertError(self, answer, code, message):
        self.assertFalse(answer["ok"], answer)
        self.assertEqual((answer["errorCode"], answer["errorMessage"]), (code, message))


class HostLifecycleTests(unittest.TestCase):
    def setUp(self):
        self.host = BridgeHost()
        self.addCleanup(self.host.close)

    def test_discovery_through_presence_and_its_lease(self):
        live = mcp.discover(self.host.instances_root)
        self.assertEqual([p["instanceId"] for p in live], [self.host.instance_id])
        presence = live[0]
        self.assertEqual(presence["leaseUntilMs"] - presence["updatedAtMs"], 15000)
        self.assertEqual(presence["displayName"], "Bridge Host - Verse - " + self.host.instance_id[:8])
        self.assertEqual(len(presence["contentRevision"]), 64)
        self.assertEqual(mcp.discover(self.host.instances_root, at_ms=presence["leaseUntilMs"]), [])

        # Rewritten every 5 seconds.
        time.sleep(5.3)
        self.assertGreater(self.host.instance.presence()["updatedAtMs"], presence["updatedAtMs"])

    def test_clean_shutdown_removes_the_folder(self):
        folder = self.host.instance.folder
        self.host.instance.drop("pending.json", "{}")
        self.assertEqual(self.host.terminate(), 0)
        self.assertFalse(folder.exists())
        self.assertEqual(mcp.discover(self.host.instances_root), [])

    def test_a_killed_instance_leaves_its_folder_and_expires(self):
        self.host.kill()
        presence = self.host.instance.presence()
        self.assertIsNotNone(presence)
        self.assertEqual(mcp.discover(self.host.instances_root, at_ms=presence["leaseUntilMs"] - 1)[0]["instanceId"],
                         self.host.instance_id)
        self.assertEqual(mcp.discover(self.host.instances_root, at_ms=presence["leaseUntilMs"]), [])


class ProtocolTests(BridgeTestCase):
    def test_get_validate_set_undo_with_revisions(self):
        start = self.current()
        self.assertEqual(start["format"], "tolmek-mcp-response")
        self.assertEqual(start["instanceId"], self.bridge.instance_id)
        revision = start["revision"]
        self.assertEqual(list(start["project"]), sorted(start["project"]))

        check = self.call("validate_json", project=with_name(start["project"], ""))
        self.assertEqual(check["errorCode"], "VALIDATION_FAILED")
        self.assertEqual(self.call("validate_json", project=start["project"])["project"], start["project"])

        new_name = fresh("Renamed")
        changed = self.set_name(new_name, change_id="first-change")
        self.assertTrue(changed["ok"], changed)
        self.assertTrue(changed["contentChanged"])
        self.assertEqual(changed["revision"], revision + 1)
        self.assertEqual(get_name(changed["project"]), new_name)
        self.assertEqual(self.bridge.presence()["revision"], revision + 1)

        stale = self.call("set_json", project=start["project"], changeId=fresh("c"), expectedRevision=revision)
        self.assertError(stale, "REVISION_CONFLICT", "Project revision has changed")
        self.assertError(self.set_name("again", change_id="first-change"), "DUPLICATE_CHANGE",
                         "changeId has already been used")

        undone = self.call("undo", changeId=fresh("u"), expectedRevision=revision + 1)
        self.assertTrue(undone["contentChanged"], undone)
        self.assertEqual(undone["revision"], revision + 2)
        self.assertEqual(undone["contentRevision"], start["contentRevision"])
        self.assertError(self.call("undo", changeId=fresh("u"), expectedRevision=revision + 2),
                         "NO_UNDO", "No MCP change is available to undo")

    def test_same_content_keeps_the_revision(self):
        start = self.current()
        answer = self.call("set_json", project=start["project"], changeId=fresh("c"), expectedRevision=start["revision"])
        self.assertTrue(answer["ok"])
        self.assertFalse(answer["contentChanged"])
        self.assertEqual(answer["revision"], start["revision"])

    def test_replays_of_a_request_id(self):
        document = self.bridge.request("get_json", request_id=fresh("replay"))
        rid = document["requestId"]
        self.bridge.drop(rid + ".json", document)
        first = self.bridge.wait_for(rid, consume=False)

        # Answered before and the answer still there: dropped, no new answer.
        self.bridge.drop(rid + ".json", document)
        deadline = time.time() + 5
        while (self.bridge.requests / (rid + ".json")).exists() and time.time() < deadline:
            time.sleep(0.01)
        self.assertFalse((self.bridge.requests / (rid + ".json")).exists())
        self.assertEqual(self.bridge.wait_for(rid), first)

        # Answer taken: the same answer again, from memory, even after the project changed.
        self.assertTrue(self.set_name(fresh("Other"))["ok"])
        self.bridge.drop(rid + ".json", document)
        self.assertEqual(self.bridge.wait_for(rid), first)

    def test_cache_forgets_after_256_answers(self):
        first = self.bridge.request("get_json", request_id="cache-first")
        self.bridge.drop("cache-first.json", first)
        remembered = self.bridge.wait_for("cache-first")
        self.assertTrue(self.set_name(fresh("Moved"))["ok"])  # answers 2 and 3

        for i in range(253):
            self.bridge.drop("fill-%03d.json" % i, self.bridge.request("get_json", request_id="fill-%03d" % i))
        for i in range(253):
            self.bridge.wait_for("fill-%03d" % i)

        self.bridge.drop("cache-first.json", first)
        self.assertEqual(self.bridge.wait_for("cache-first"), remembered)  # still among the 256 newest

        self.bridge.drop("one-more.json", self.bridge.request("get_json", request_id="one-more"))
        self.bridge.wait_for("one-more")
        self.bridge.drop("cache-first.json", first)
        again = self.bridge.wait_for("cache-first")
        self.assertNotEqual(again["revision"], remembered["revision"])

    def test_malformed_requests_get_their_exact_answers(self):
        b = self.bridge
        t = mcp.now_ms()

        def doc(**changes):
            d = b.request("get_json", request_id="x")
            d.update(changes)
            return {k: v for k, v in d.items() if v is not None}

        rows = [
            # file name, content, expected answer file, code, message
            ("m-empty.json", b"", "m-empty", "INVALID_REQUEST", "Request file is empty"),
            ("m-text.json", b"hello", "m-text", "INVALID_REQUEST", "Request is not a JSON object"),
            ("m-array.json", b"[]", "m-array", "INVALID_REQUEST", "Request is not a JSON object"),
            ("m-fmt.json", doc(requestId="m-fmt", format="other"), "m-fmt", "UNSUPPORTED_FORMAT", "Unsupported MCP request format"),
            ("m-ver.json", json.dumps(doc(requestId="m-ver")).replace('"version": 1', '"version": 1.0'), "m-ver",
             "UNSUPPORTED_VERSION", "Unsupported MCP request version"),
            ("m-id.json", doc(requestId="bad id"), "m-id", "INVALID_REQUEST", "Request ID is invalid"),
            ("m-name.json", doc(requestId="someone-else"), "m-name", "INVALID_REQUEST", "Request filename must match requestId"),
            ("m-inst.json", doc(requestId="m-inst", instanceId="x"), "m-inst", "WRONG_INSTANCE", "Request targets a different plugin instance"),
            ("m-op.json", doc(requestId="m-op", operation="format_disk"), "m-op", "UNSUPPORTED_OPERATION", "Unsupported MCP operation"),
            ("m-ts.json", doc(requestId="m-ts", createdAtMs=t + 10, expiresAtMs=t + 10), "m-ts", "INVALID_REQUEST", "Request timestamps are invalid"),
            ("m-fut.json", doc(requestId="m-fut", createdAtMs=t + 60000, expiresAtMs=t + 90000), "m-fut", "INVALID_REQUEST", "Request creation time is in the future"),
            ("m-exp.json", doc(requestId="m-exp", createdAtMs=t - 2000, expiresAtMs=t - 1000), "m-exp", "REQUEST_EXPIRED", "Request has expired"),
            ("m-rev.json", doc(requestId="m-rev", expectedRevision=0), "m-rev", "INVALID_REQUEST", "expectedRevision is invalid"),
            ("m-pay.json", doc(requestId="m-pay", payload=[1]), "m-pay", "INVALID_REQUEST", "payload must be a JSON object"),
            ("m-tx.json", doc(requestId="m-tx", transactionId=".x"), "m-tx", "INVALID_REQUEST", "transactionId is invalid"),
            ("m-ch.json", doc(requestId="m-ch", changeId=""), "m-ch", "INVALID_REQUEST", "changeId is invalid"),
            ("m-proj.json", doc(requestId="m-proj", operation="set_json", expectedRevision=1, changeId="c", project=[1]), "m-proj",
             "INVALID_REQUEST", "This operation requires a project object"),
            ("m-chg.json", doc(requestId="m-chg", operation="set_json", expectedRevision=1, project={}), "m-chg",
             "INVALID_REQUEST", "This operation requires changeId"),
            ("m-run.json", doc(requestId="m-run", operation="runnel_list_output_profiles", payload={}), "m-run",
             "UNSUPPORTED_OPERATION", "Product resource operations are not supported by this plugin"),
            ("m-big.json", b"{" + b" " * 4194304 + b"}", "m-big", "MESSAGE_TOO_LARGE", "Request exceeds the 4 MB limit"),
            ("m-deep.json", b"[" * 200000 + b"]" * 200000, "m-deep", "INVALID_REQUEST", "Request is not a JSON object"),
        ]
        before = self.current()
        for name, content, answer_name, _, _ in rows:
            b.drop(name, content)
        for name, content, answer_name, code, message in rows:
            with self.subTest(name):
                answer = b.wait_for(answer_name)
                self.assertEqual(answer["requestId"], answer_name)
                self.assertEqual((answer["ok"], answer["errorCode"], answer["errorMessage"]), (False, code, message))
        self.assertFalse((b.responses / "someone-else.json").exists())
        self.assertEqual(sorted(p.name for p in b.requests.iterdir()), [])
        self.assertEqual(self.current()["contentRevision"], before["contentRevision"])

    def test_symbolic_link_request(self):
        elsewhere = Path(tempfile.mkdtemp(prefix="mcp-link-"))
        self.addCleanup(shutil.rmtree, elsewhere, True)
        outside = elsewhere / "outside.json"
        outside.write_text(json.dumps(self.bridge.request("get_json", request_id="linked")))
        (self.bridge.requests / "linked.json").symlink_to(outside)
        self.assertError(self.bridge.wait_for("linked"), "INVALID_REQUEST", "Request files cannot be symbolic links")
        self.assertTrue(outside.exists())

    def test_transaction_round_trip(self):
        start = self.current()
        tid, cid = fresh("t"), fresh("c")
        target = with_name(start["project"], fresh("Staged"))
        prepared = self.call("prepare_set", transactionId=tid, changeId=cid, project=target, expectedRevision=start["revision"])
        self.assertTrue(prepared["ok"], prepared)
        self.assertEqual(prepared["contentRevision"], start["contentRevision"])

        status = self.call("get_transaction_status")["payload"]
        self.assertEqual((status["phase"], status["transactionId"], status["nextRevision"]), ("PREPARED", tid, start["revision"] + 1))
        self.assertError(self.set_name("busy"), "TRANSACTION_BUSY", "Another MCP transaction is active")

        committed = self.call("commit", transactionId=tid)
        self.assertTrue(committed["contentChanged"], committed)
        self.assertEqual(self.call("commit", transactionId=tid, changeId=cid)["project"], committed["project"])
        finalized = self.call("finalize", transactionId=tid)
        self.assertFalse(finalized["contentChanged"])
        self.assertEqual(self.call("finalize", transactionId=tid)["project"], committed["project"])

        undone = self.call("undo", changeId=fresh("u"), expectedRevision=committed["revision"])
        self.assertTrue(undone["ok"], undone)
        self.assertEqual(undone["contentRevision"], start["contentRevision"])


class FailurePathTests(BridgeTestCase):
    def test_apply_failures_restore_the_project(self):
        start = self.current()
        self.target.control("configure", clampOnApply=True)
        loud = with_name(start["project"], "Clamped")
        loud["level"] = 9  # the store takes at most 5
        answer = self.call("set_json", project=loud, changeId=fresh("c"), expectedRevision=start["revision"])
        self.assertError(answer, "APPLY_MISMATCH", "Applied project differs from the validated candidate")
        self.assertEqual(answer["revision"], start["revision"] + 2)
        self.assertEqual(answer["contentRevision"], start["contentRevision"])

        self.target.control("configure", clampOnApply=False, applyFails=True)
        self.assertError(self.set_name("Refused"), "APPLY_FAILED", "Store refused the project")
        self.assertEqual(self.target.state()["changes"], [])

    def test_read_only_and_broken_export(self):
        self.target.control("configure", writable=False, readOnlyReason="INSTANCE_BUSY: host is rendering")
        self.assertError(self.set_name("No"), "INSTANCE_BUSY", "INSTANCE_BUSY: host is rendering")
        self.assertTrue(self.current()["ok"])

        self.target.control("configure", writable=True, exportNaN=True)
        self.assertError(self.call("get_json"), "EXPORT_FAILED", "Project contains a non-finite number")
        self.target.control("configure", exportNaN=False)
        self.assertTrue(self.current()["ok"])

    def test_editor_edit_between_set_and_undo(self):
        changed = self.set_name("By client")
        self.target.control("edit", name="By editor")
        revision = self.current()["revision"]
        self.assertGreater(revision, changed["revision"])
        self.assertError(self.call("undo", changeId=fresh("u"), expectedRevision=revision),
                         "UNDO_CONFLICT", "Project changed after the MCP update")


class TransactionTests(BridgeTestCase):
    def prepare(self, name, tid=None, cid=None):
        start = self.current()
        tid, cid = tid or fresh("t"), cid or fresh("c")
        answer = self.call("prepare_set", transactionId=tid, changeId=cid, project=with_name(start["project"], name),
                           expectedRevision=start["revision"])
        self.assertTrue(answer["ok"], answer)
        return tid, cid

    def advance(self, ms):
        self.target.control("advanceClock", ms=ms)
        self.bridge.clock_offset_ms += ms
        time.sleep(0.3)  # a few poll ticks

    def name_now(self):
        return get_name(self.target.state()["project"])

    def test_editor_edit_between_prepare_and_commit(self):
        tid, _ = self.prepare("Staged")
        self.target.control("edit", name="Editor")
        self.assertError(self.call("commit", transactionId=tid), "TRANSACTION_CONFLICT", "Project changed after prepare_set")
        self.assertEqual(self.call("get_transaction_status")["payload"]["phase"], "PREPARED")
        self.assertTrue(self.call("rollback", transactionId=tid)["ok"])
        self.assertEqual(self.name_now(), "Editor")

    def test_prepared_transaction_expires(self):
        tid, _ = self.prepare("Staged")
        self.advance(30000)
        status = self.call("get_transaction_status")["payload"]
        self.assertEqual((status["phase"], status["lastRecoveryTransactionId"], status["lastRecoveryError"]), ("IDLE", tid, ""))
        self.assertError(self.call("commit", transactionId=tid), "DUPLICATE_TRANSACTION", "transactionId has already completed")
        self.assertFalse(self.call("rollback", transactionId=tid)["contentChanged"])

    def test_committed_transaction_is_rolled_back_on_expiry(self):
        before = self.name_now()
        tid, cid = self.prepare("Staged")
        self.assertTrue(self.call("commit", transactionId=tid)["contentChanged"])
        self.advance(30000)
        self.assertEqual(self.name_now(), before)
        self.assertEqual(self.target.state()["changes"], [cid, cid])

    def test_committed_transaction_edited_elsewhere_is_kept_on_expiry(self):
        tid, _ = self.prepare("Staged")
        self.call("commit", transactionId=tid)
        self.target.control("edit", name="Editor")
        self.advance(30000)
        self.assertEqual(self.name_now(), "Editor")
        self.assertEqual(self.call("get_transaction_status")["payload"]["lastRecoveryError"],
                         "Committed project changed independently; automatic rollback was skipped")

    def test_rollback_after_finalize(self):
        before = self.name_now()
        tid, _ = self.prepare("Staged")
        self.call("commit", transactionId=tid)
        self.call("finalize", transactionId=tid)
        self.assertTrue(self.call("rollback", transactionId=tid)["contentChanged"])
        self.assertEqual(self.name_now(), before)

        tid, _ = self.prepare("Second")
        self.call("commit", transactionId=tid)
        self.call("finalize", transactionId=tid)
        self.target.control("edit", name="Editor")
        self.assertError(self.call("abort_transaction", transactionId=tid), "ROLLBACK_CONFLICT", "Project changed after finalize")


class RealLeaseTests(BridgeTestCase):
    def test_committed_lease_runs_out_in_real_time(self):
        start = self.current()
        tid = fresh("t")
        prepared = self.call("prepare_set", transactionId=tid, changeId=fresh("c"), expectedRevision=start["revision"],
                             project=with_name(start["project"], fresh("Leased")))
        self.assertTrue(prepared["ok"], prepared)
        committed = self.call("commit", transactionId=tid)
        self.assertTrue(committed["contentChanged"], committed)
        lease = self.call("get_transaction_status")["payload"]["leaseUntilMs"]

        while mcp.now_ms() < lease + 300:
            time.sleep(0.1)
        status = self.call("get_transaction_status")
        self.assertEqual(status["payload"]["phase"], "IDLE")
        self.assertEqual(status["payload"]["lastRecoveryTransactionId"], tid)
        self.assertEqual(status["contentRevision"], start["contentRevision"])


if __name__ == "__main__":
    unittest.main()
