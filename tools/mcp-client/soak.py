#!/usr/bin/env python3
"""Soak of one bridge instance: several client processes at once, for each project size, plus a
client killed in the middle of a committed transaction.

    soak.py [--seconds S] [--clients N] [--sizes 10000,1000000,4000000]

Needs VARNET_BRIDGE_HOST. Fails (exit 1) on a lost or duplicated answer, a request file left over,
or a project left in neither its state before nor after the interrupted transaction. Prints the
figures: requests handled, latency p50/p99, poll-tick time, host memory at start and end.
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
            changed = dict(project)
            changed["name"] = "Soak " + uuid.uuid4().hex[:8]
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
        changed = dict(current["project"])
        changed["name"] = "Interrupted"
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


def run_size(size, seconds, clients):
    host = BridgeHost(project_bytes=size)
    failures = []
    try:
        bridge = host.instance
        first = bridge.call("get_json", timeout=60)
        if not first["ok"]:
            raise RuntimeError("host project unusable: %s" % first["errorMessage"])
        rss_start = host.rss_kb()

        me = os.path.abspath(__file__)
        workers = [subprocess.Popen([sys.executable, me, "--worker", str(bridge.folder), host.instance_id,
                                     str(seconds), str(i + 1)], stdout=subprocess.PIPE, text=True)
                   for i in range(clients)]
        killed = subprocess.Popen([sys.executable, me, "--interrupt", str(bridge.folder), host.instance_id],
                                  stdout=subprocess.PIPE, text=True)
        transaction = json.loads(killed.stdout.readline())
        killed.send_signal(signal.SIGKILL)
        killed.wait()
        killed.stdout.close()

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

        # The abandoned transaction's lease runs out; the bridge rolls it back.
        host.control("advanceClock", ms=30000)
        bridge.clock_offset_ms += 30000
        deadline = time.monotonic() + 60
        while True:
            status = bridge.call("get_transaction_status", timeout=60)
            if status["payload"]["phase"] == "IDLE" or time.monotonic() > deadline:
                break
            time.sleep(0.1)
        final = status["contentRevision"]
        if status["payload"]["phase"] != "IDLE":
            failures.append("interrupted transaction never ended")
        if final not in (transaction["before"], transaction["after"]):
            failures.append("project left in a partial state")
        outcome = "before" if final == transaction["before"] else "after"

        time.sleep(0.3)
        leftovers = [p.name for p in bridge.requests.iterdir() if p.name.endswith(".json")]
        answers = [p.name for p in bridge.responses.iterdir() if p.name.endswith(".json")]
        if leftovers:
            failures.append("request files left: %s" % leftovers)
        if answers:
            failures.append("unclaimed answers (a second answer to a taken request): %s" % answers)
        if codes.get("WRONG_ANSWER"):
            failures.append("wrong or duplicated answers: %d" % codes["WRONG_ANSWER"])

        stats = host.control("stats")
        rss_end = host.rss_kb()
        print("size %8d B: %5d requests in %ds by %d clients, latency p50 %.1f ms p99 %.1f ms; "
              "tick p50 %.2f ms p99 %.2f ms max %.1f ms over %d ticks; host RSS %d -> %d MB; "
              "interrupted transaction ended %s; answers %s"
              % (size, len(latencies), seconds, clients, percentile(latencies, 0.5), percentile(latencies, 0.99),
                 stats["tickP50Micros"] / 1000, stats["tickP99Micros"] / 1000, stats["tickMaxMicros"] / 1000,
                 stats["ticks"], rss_start // 1024, rss_end // 1024, outcome,
                 json.dumps(codes, sort_keys=True)), flush=True)
        if host.terminate() != 0:
            failures.append("host did not shut down cleanly")
        if bridge.folder.exists():
            failures.append("instance folder left after shutdown")
    finally:
        host.close()
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
    args = parser.parse_args()

    failures = []
    for size in [int(s) for s in args.sizes.split(",")]:
        failures += ["%d B: %s" % (size, f) for f in run_size(size, args.seconds, args.clients)]
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
