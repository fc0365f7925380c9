#!/usr/bin/env python3
"""Loopback HTTP server for the service clients' tests.

Every request is appended to the record file as one JSON line (method, path, headers, body)
before it is answered. Answers follow the script file, read again for every request:

    {"routes": {"/path": ANSWER}, "default": ANSWER}
    ANSWER = {"status": 200, "body": "text", "headers": {"Name": "value"},
              "bodyBytes": 0, "stall": 0.0, "delay": 0.0}

"bodyBytes" appends that many filler bytes to the body; "stall" waits that many seconds and then
closes the connection without an answer; "delay" waits that long before answering. The server
listens on the given port, or on a free one when none is given; the port is written to the port
file once the server listens. The server exits by itself when its parent process goes away or
after its lifetime.
"""

import argparse
import json
import os
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

stopping = threading.Event()
record_lock = threading.Lock()


def load_script(path):
    try:
        with open(path, "r", encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "LoopbackTestServer/1"

    def log_message(self, fmt, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""

        entry = {
            "method": self.command,
            "path": self.path,
            "headers": {k: v for k, v in self.headers.items()},
            "body": body.decode("utf-8", errors="replace"),
        }
        with record_lock:
            with open(self.server.record_path, "a", encoding="utf-8") as f:
                f.write(json.dumps(entry) + "\n")

        script = load_script(self.server.script_path)
        answer = script.get("routes", {}).get(self.path.split("?")[0], script.get("default", {}))

        stall = float(answer.get("stall", 0))
        if stall > 0:
            deadline = time.monotonic() + stall
            while time.monotonic() < deadline and not stopping.is_set():
                time.sleep(0.05)
            self.close_connection = True
            return

        delay = float(answer.get("delay", 0))
        if delay > 0:
            stopping.wait(delay)

        payload = answer.get("body", "").encode("utf-8") + b"x" * int(answer.get("bodyBytes", 0))
        self.send_response(int(answer.get("status", 200)))
        for name, value in answer.get("headers", {}).items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(payload)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(payload)
        self.close_connection = True

    do_GET = handle_any
    do_POST = handle_any
    do_PUT = handle_any
    do_HEAD = handle_any


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # clients that hang up early are part of the tests


def watch_parent(parent, lifetime, server):
    deadline = time.monotonic() + lifetime
    while os.getppid() == parent and time.monotonic() < deadline:
        time.sleep(0.2)
    stopping.set()
    server.shutdown()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--script", required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--lifetime", type=float, default=300.0)
    args = parser.parse_args()

    server = Server((args.host, args.port), Handler)
    server.script_path = args.script
    server.record_path = args.record

    threading.Thread(target=watch_parent, args=(os.getppid(), args.lifetime, server), daemon=True).start()

    temporary = args.port_file + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(str(server.server_address[1]))
    os.replace(temporary, args.port_file)

    try:
        server.serve_forever(poll_interval=0.1)
    finally:
        stopping.set()
        server.server_close()


if __name__ == "__main__":
    main()
