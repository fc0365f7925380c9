#!/usr/bin/env python3
"""Soak of one bridge instance: several client processes at once, for each project size, plus a
client killed in the middle of a committed transaction.

    soak.py [--seconds S] [--clients N] [--sizes 10000,1000000,4000000] [--plugin [--real-lease]]

By default the instance is the bridge test host (needs VARNET_BRIDGE_HOST), whose clock is moved on
to end the abandoned transaction's lease. With --plugin it is the real plug-in, served and playing
in the probe host (needs VARNET_PROBE and VARNET_VST3_BUNDLE), with a project of each size set
first; a recovering client then rolls the abandoned transaction back, or, with --real-lease, the
soak waits for its lease to run out in real time.

Fails (exit 1) on a lost or duplicated answer, a request file left over, or a project that is not
fully after the interrupted transaction while it is committed and fully before it once it ended.
Prints the figures: requests handled, latency p50/p99, poll-tick time (test host only), host memory
at start and end.
"""

import argparse
import json
import os
import random
import signal
import subprocess
import sys
import time
import uuid

import tolmek_mcp_client as mcp
from bridge_host import BridgeHost

NAME_PATH = os.environ.get("MCP_NAME_PATH", "name").split(".")


def with_name(project, name):
    changed = json.loads(json.dumps(project))
    node = changed
    for key in NAME_PATH[:-1]:
        node = node[key]
    node[NAME_PATH[-1]] = name
    return changed


def percentile(values, q):
    if not values:
        return 0.0
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(q * (len(ordered) - 1) + 0.5))]


def worker(folder, instance_id, seconds, seed):
    """Sends requests one after another until time is up; prints one JSON summary line."""
    rng = random.Random(seed)
    bridge = mcp.Instance(folder, instance_id)
    latencies, codes, ids = [], {}, set()
    project, revision = None, 1
    deadline = time.monotonic() + seconds

    while time.monotonic() < deadline:
        roll = rng.random()
        if project is None or roll < 0.45:
            operation, fields = "get_json", {}
        elif roll < 0.65:
            operation, fields = "validate_json", {"project": project}
        elif roll < 0.90:
            changed = with_name(project, "Soak " + uuid.uuid4().hex[:8])
            operation, fields = "set_json", {"project": changed, "expectedRevision": revision,
                                             "changeId": "c-" + uuid.uuid4().hex}
        else:
            operation, fields = "get_transaction_status", {}

        document = bridge.request(operation, request_id="w%d-%s" % (seed, uuid.uuid4().hex), lifetime_ms=120000, **fields)
        started = time.monotonic()
        bridge.drop(document["requestId"] + ".json", document)
        answer = bridge.wait_for(document["requestId"], timeout=120)
        latencies.append((time.monotonic() - started) * 1000.0)

        if answer["requestId"] != document["requestId"] or answer["requestId"] in ids:
            codes["WRONG_ANSWER"] = codes.get("WRONG_ANSWER", 0) + 1
        ids.add(answer["requestId"])
        code = answer["errorCode"] or "OK"
        codes[code] = codes.get(code, 0) + 1
        revision = answer["revision"]
        if answer["project"] is not None:
            project = answer["project"]

    print(json.dumps({"latencies": latencies, "codes": codes, "ids": sorted(ids)}))


def interrupted_transaction(folder, instance_id):
    """Prepares and commits a change, reports both content revisions, then waits to be killed."""
    bridge = mcp.Instance(folder, instance_id)
    while True:
        current = bridge.call("get_json", timeout=120)
        changed = with_name(current["project"], "Interrupted " + uuid.uuid4().hex[:8])
        tid = "t-" + uuid.uuid4().hex
        prepared = bridge.call("prepare_set", timeout=120, transactionId=tid, changeId="c-" + uuid.uuid4().hex,
                               expectedRevision=current["revision"], project=changed)
        if not prepared["ok"]:
            time.sleep(0.05)
            continue
        committed = bridge.call("commit", timeout=120, transactionId=tid)
        if committed["ok"]:
            print(json.dumps({"transactionId": tid, "before": current["contentRevision"],
                              "after": committed["contentRevision"]}), flush=True)
            time.sleep(3600)
        bridge.call("rollback", timeout=120, transactionId=tid)


class HostTarget:
    """The bridge test host: a fake store of the given size; its clock ends leases."""

    def __init__(self, size):
        self.host = BridgeHost(project_bytes=size)
        self.instance = self.host.instance
        self.process = self.host.process

    def end_lease(self, transaction_id):
        self.host.control("advanceClock", ms=30000)
        self.instance.clock_offset_ms += 30000
        return wait_until_idle(self.instance, transaction_id, 60)

    def tick_figures(self):
        stats = self.host.control("stats")
        return "tick p50 %.2f ms p99 %.2f ms max %.1f ms over %d ticks; " % (
            stats["tickP50Micros"] / 1000, stats["tickP99Micros"] / 1000, stats["tickMaxMicros"] / 1000, stats["ticks"])

    def rss_kb(self):
        return self.host.rss_kb()

    def terminate(self):
        return self.host.terminate()

    def close(self):
        self.host.close()


class PluginTarget:
    """The real plug-in, playing in the probe host, with a project of about the given size."""

    def __init__(self, size, real_lease):
        from probe_server import ProbeServer, of_size
        self.server = ProbeServer(play=True)
        self.instance = self.server.instance
        self.process = self.server.process
        self.real_lease = real_lease
        current = self.instance.call("get_json", timeout=60)
        answer = self.instance.call("set_json", timeout=120, project=of_size(current["project"], size),
                                    changeId="c-" + uuid.uuid4().hex, expectedRevision=current["revision"])
        if not answer["ok"]:
            self.close()
            raise RuntimeError("could not set a project of %d bytes: %s" % (size, answer["errorMessage"]))

    def end_lease(self, transaction_id):
        if self.real_lease:
            return wait_until_idle(self.instance, transaction_id, 60)
        # A client that finds the transaction abandoned rolls it back.
        answer = self.instance.call("rollback", timeout=120, transactionId=transaction_id)
        return answer["ok"] and answer["contentChanged"], answer["contentRevision"]

    def tick_figures(self):
        return ""

    def rss_kb(self):
        return self.server.rss_kb()

    def terminate(self):
        return self.server.terminate()

    def close(self):
        self.server.close()


def wait_until_idle(bridge, transaction_id, timeout):
    """Waits for the lease check to end the transaction; (restored, content revision then)."""
    deadline = time.monotonic() + timeout
    while True:
        # Not answered while a transaction of a large project is active (see run_size).
        payload = bridge.call("get_transaction_status", timeout=120)["payload"]
        if payload.get("phase") == "IDLE" or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    restored = (payload.get("phase") == "IDLE" and payload["lastRecoveryTransactionId"] == transaction_id
                and payload["lastRecoveryError"] == "")
    return restored, None


def run_size(size, seconds, clients, make_target):
    target = make_target(size)
    failures = []
    try:
        bridge = target.instance
        first = bridge.call("get_json", timeout=60)
        if not first["ok"]:
            raise RuntimeError("project unusable: %s" % first["errorMessage"])
        rss_start = target.rss_kb()

        me = os.path.abspath(__file__)
        started = time.monotonic()
        workers = [subprocess.Popen([sys.executable, me, "--worker", str(bridge.folder), bridge.instance_id,
                                     str(seconds), str(i + 1)], stdout=subprocess.PIPE, text=True)
                   for i in range(clients)]

        # A quarter into the run, a client commits a change and dies before finalizing it.
        time.sleep(seconds / 4)
        killed = subprocess.Popen([sys.executable, me, "--interrupt", str(bridge.folder), bridge.instance_id],
                                  stdout=subprocess.PIPE, text=True)
        transaction = json.loads(killed.stdout.readline())
        killed.send_signal(signal.SIGKILL)
        killed.wait()
        killed.stdout.close()

        # Fully after while committed: set_json is refused meanwhile, so nothing else changes it.
        # (get_transaction_status cannot say so for the largest projects: its answer carries the
        # project twice and would exceed the response limit.)
        if bridge.call("get_json", timeout=120)["contentRevision"] != transaction["after"]:
            failures.append("project not fully after the committed transaction")
        busy = bridge.call("set_json", timeout=120, project=first["project"], changeId="c-" + uuid.uuid4().hex,
                           expectedRevision=first["revision"])
        if busy["errorCode"] != "TRANSACTION_BUSY":
            failures.append("a change was not refused during the transaction: %s" % busy["errorCode"])

        # ...and fully before once its lease has run out or it was rolled back.
        restored, content = target.end_lease(transaction["transactionId"])
        if not restored or content not in (None, transaction["before"]):
            failures.append("interrupted transaction not fully rolled back")
        recovered_after = time.monotonic() - started

        latencies, codes, all_ids = [], {}, set()
        for w in workers:
            out, _ = w.communicate(timeout=seconds + 300)
            if w.returncode != 0:
                failures.append("worker failed")
                continue
            summary = json.loads(out.strip().splitlines()[-1])
            latencies += summary["latencies"]
            if all_ids & set(summary["ids"]):
                failures.append("two clients got the same answer")
            all_ids.update(summary["ids"])
            for k, v in summary["codes"].items():
                codes[k] = codes.get(k, 0) + v

        time.sleep(0.3)
        leftovers = [p.name for p in bridge.requests.iterdir() if p.name.endswith(".json")]
        answers = [p.name for p in bridge.responses.iterdir() if p.name.endswith(".json")]
        if leftovers:
            failures.append("request files left: %s" % leftovers)
        if answers:
            failures.append("unclaimed answers (a second answer to a taken request): %s" % answers)
        if codes.get("WRONG_ANSWER"):
            failures.append("wrong or duplicated answers: %d" % codes["WRONG_ANSWER"])

        ticks = target.tick_figures()
        rss_end = target.rss_kb()
        print("size %8d B: %5d requests in %ds by %d clients, latency p50 %.1f ms p99 %.1f ms; %s"
              "host RSS %d -> %d MB; interrupted transaction fully after while committed, fully before %.1f s "
              "into the run; answers %s"
              % (size, len(latencies), seconds, clients, percentile(latencies, 0.5), percentile(latencies, 0.99),
                 ticks, rss_start // 1024, rss_end // 1024, recovered_after, json.dumps(codes, sort_keys=True)),
              flush=True)
        if target.terminate() != 0:
            failures.append("host did not shut down cleanly")
        if bridge.folder.exists():
            failures.append("instance folder left after shutdown")
    finally:
        target.close()
    return failures


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--worker":
        worker(sys.argv[2], sys.argv[3], float(sys.argv[4]), int(sys.argv[5]))
        return 0
    if len(sys.argv) > 1 and sys.argv[1] == "--interrupt":
        interrupted_transaction(sys.argv[2], sys.argv[3])
        return 0

    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=float, default=120)
    parser.add_argument("--clients", type=int, default=4)
    parser.add_argument("--sizes", default="10000,1000000,4000000")
    parser.add_argument("--plugin", action="store_true", help="soak the real plug-in in the probe host")
    parser.add_argument("--real-lease", action="store_true", help="with --plugin: let the lease run out")
    args = parser.parse_args()

    if args.plugin:
        os.environ["MCP_NAME_PATH"] = "identity.name"  # for the client processes
        global NAME_PATH
        NAME_PATH = ["identity", "name"]

        def make_target(size):
            return PluginTarget(size, args.real_lease)
    else:
        make_target = HostTarget

    failures = []
    for size in [int(s) for s in args.sizes.split(",")]:
        failures += ["%d B: %s" % (size, f) for f in run_size(size, args.seconds, args.clients, make_target)]
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
