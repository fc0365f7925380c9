"""What the test hosts of the bridge share: a child process to measure, stop and kill."""

import signal


class HostedProcess:
    """Base of the hosts; subclasses set self.process (a subprocess.Popen)."""

    process = None
    stop_timeout = 10.0

    def rss_kb(self):
        with open("/proc/%d/status" % self.process.pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def terminate(self, timeout=None):
        """SIGTERM; returns the exit code."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(self.stop_timeout if timeout is None else timeout)
        return self.process.returncode

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
