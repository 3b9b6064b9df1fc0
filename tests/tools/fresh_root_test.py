"""tools/test-in-fresh-root.sh interrupted while the test command runs in the
root: nothing stays mounted in it (the host's /dev above all), and nothing
it started keeps running. A stand-in for debootstrap makes a root whose
test command only waits, so that the script gets that far in a second.
As root, which mounting needs.

    fresh_root_test.py SOURCE_DIR WORK_DIR"""

import os
import signal
import subprocess
import sys
import time
import unittest
from pathlib import Path

SOURCE = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else None
WORK = Path(sys.argv.pop(1)).resolve() if len(sys.argv) > 1 else None
TIMEOUT = 60

# Makes the root (its third argument): a shell, and an env that waits instead of running
# the test command.
FAKE_DEBOOTSTRAP = """#!/bin/sh
set -eu
root=$3
mkdir -p "$root/bin" "$root/usr/bin" "$root/etc/apt" "$root/root" "$root/proc" "$root/sys" "$root/dev" "$root/tmp"
cp /bin/busybox "$root/bin/busybox"
ln -s busybox "$root/bin/sh"
printf '#!/bin/sh\\nexec /bin/busybox sleep 600\\n' >"$root/usr/bin/env"
chmod +x "$root/usr/bin/env"
"""


def mounts_below(root):
    with open("/proc/self/mountinfo") as mountinfo:
        return [line.split()[4] for line in mountinfo if line.split()[4].startswith(f"{root}/")]


def processes_in(root):
    found = []
    for process in Path("/proc").iterdir():
        try:
            if process.name.isdigit() and os.readlink(process / "root") == str(root):
                found.append(process.name)
        except OSError:
            pass
    return found


@unittest.skipUnless(os.geteuid() == 0, "mounting needs root")
class InterruptedFreshRootTest(unittest.TestCase):
    def setUp(self):
        # Never into a mount an earlier run may have left: /dev is the host's.
        self.assertEqual(mounts_below(WORK), [], "left mounted by an earlier run")
        subprocess.run(["rm", "-rf", "--one-file-system", WORK], check=True)
        (WORK / "bin").mkdir(parents=True)
        fake = WORK / "bin" / "debootstrap"
        fake.write_text(FAKE_DEBOOTSTRAP)
        fake.chmod(0o755)
        self.root = WORK / "root"
        self.addCleanup(self.clean_up_after_a_failure)

    def clean_up_after_a_failure(self):
        for process in processes_in(self.root):
            os.kill(int(process), signal.SIGKILL)
        for mount in reversed(mounts_below(self.root)):
            subprocess.run(["umount", "-l", mount])

    def run_until_mounted_then(self, send):
        script = subprocess.Popen([SOURCE / "tools" / "test-in-fresh-root.sh", self.root],
                                  env=dict(os.environ, PATH=f"{WORK / 'bin'}:{os.environ['PATH']}"),
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            deadline = time.monotonic() + TIMEOUT
            while not (processes_in(self.root) and f"{self.root}/dev/shm" in mounts_below(self.root)):
                if script.poll() is not None:
                    self.fail(f"it ended before the root was mounted: {script.stdout.read().decode()}")
                self.assertLess(time.monotonic(), deadline, "the root was never mounted")
                time.sleep(0.1)
            send(script)
            status = script.wait(TIMEOUT)
        finally:
            if script.poll() is None:
                os.killpg(script.pid, signal.SIGKILL)
                script.wait()
        return status

    def test_interrupted_it_leaves_nothing_mounted_and_nothing_running(self):
        cases = {"Ctrl-C at a terminal": (lambda script: os.killpg(script.pid, signal.SIGINT), 130),
                 "a run cancelled": (lambda script: script.send_signal(signal.SIGTERM), 143)}
        for case, (send, expected) in cases.items():
            with self.subTest(case):
                status = self.run_until_mounted_then(send)
                self.assertEqual((status, mounts_below(self.root), processes_in(self.root)), (expected, [], []))
        self.assertTrue(Path("/dev/null").is_char_device(), "the host's /dev was harmed")


if __name__ == "__main__":
    unittest.main(verbosity=2)
