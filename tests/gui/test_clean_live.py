"""End-to-end tests of a running Extreme Clean: the real binary in the tray (driven over
dbusmenu, as a panel does, and with real signals, as a session does) and in the terminal view
(keys through a pseudo-terminal). While a clean runs, every command must be handled at once:
Quit, the signals and `q` end the process within a second, Preferences..., Rate Headroom...
and Welcome... open their windows at once, a second clean request is refused.

So that the cleans stay small on the machine that runs the tests, the binary runs from a copy
whose resources hold a 512 x 512 block image (1 MiB blocks instead of 64 MiB); the fixture's
meminfo makes the cleans short (2 GiB installed: 4 s held) or, for the signal tests, endless
(1 TiB installed), to be ended by the signal.

Run by ctest as:
    /usr/bin/python3 test_clean_live.py <headroom> <fixture meminfo> <resources folder>
Exits 77 (ctest: skipped) without a display or a session bus.
"""

import os
import pty
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_tray import Gio, GLib, TrayItem, Watcher, private_folders, pump  # noqa: E402  (skips without a bus)

BINARY = MEMINFO = RESOURCES = None
KIB = 1024
PROGRESS = re.compile(r"^-?\d+%$")
# Quit must take effect within a second; an address-sanitized build checks for leaks at exit,
# which takes longer than the program itself.
EXIT_LIMIT = 1.0 if "ASAN_OPTIONS" not in os.environ else 5.0


def write_png(path, side):
    """A one-colour palette PNG of side x side pixels (as tests/bench/make_hd_png.py makes)."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = (b"\x00" + bytes(side // 8)) * side
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" +
                chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 1, 3, 0, 0, 0)) +
                chunk(b"PLTE", bytes((46, 107, 165))) + chunk(b"tRNS", b"\xff") +
                chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def write_meminfo(path, total_kib, free_kib):
    with open(MEMINFO) as original:
        lines = []
        for line in original:
            if line.startswith("MemTotal:"):
                line = "MemTotal:       %d kB\n" % total_kib
            elif line.startswith("MemFree:"):
                line = "MemFree:        %d kB\n" % free_kib
            lines.append(line)
    with open(path, "w") as f:
        f.writelines(lines)


def status_field(pid, name):
    with open("/proc/%d/status" % pid) as status:
        return int(next(l for l in status if l.startswith(name + ":")).split()[1])


def oom_score_adj(pid):
    with open("/proc/%d/oom_score_adj" % pid) as f:
        return int(f.read())


class CleanCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="headroom-clean-")
        # The binary finds its resources beside itself.
        folder = os.path.join(self.tmp, "bin")
        os.makedirs(os.path.join(folder, "resources"))
        self.binary = os.path.join(folder, "headroom")
        shutil.copy2(BINARY, self.binary)
        # The welcome window is a program of its own, found beside the binary.
        welcome = os.path.join(os.path.dirname(BINARY), "headroom-welcome")
        if os.path.exists(welcome):
            os.symlink(welcome, os.path.join(folder, "headroom-welcome"))
        for name in os.listdir(RESOURCES):
            if name != "hd.png":
                os.symlink(os.path.join(RESOURCES, name), os.path.join(folder, "resources", name))
        write_png(os.path.join(folder, "resources", "hd.png"), 512)
        self.procfs = os.path.join(self.tmp, "proc")
        os.mkdir(self.procfs)
        self.config, self.runtime, self.env = private_folders(self.tmp)
        self.proc = None
        self.spawned = []

    def tearDown(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for pid in self.spawned:  # the welcome program, whose window nobody closes here
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        shutil.rmtree(self.tmp, ignore_errors=True)

    def assert_ends_promptly(self, since):
        """The process ends with status 0 within the limit, counted from `since`."""
        status = self.proc.wait(timeout=30)
        took = time.monotonic() - since
        self.assertEqual(status, 0)
        self.assertLess(took, EXIT_LIMIT, "took %.2f s to end during a clean" % took)
        print("ended %.3f s after the request, during a clean" % took)


class TestTrayDuringAClean(CleanCase):
    def setUp(self):
        super().setUp()
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self.watcher = Watcher(self.bus)

    def tearDown(self):
        super().tearDown()
        self.bus.unregister_object(self.watcher.registration)
        self.bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "ReleaseName", GLib.Variant("(s)", ("org.kde.StatusNotifierWatcher",)),
                           None, Gio.DBusCallFlags.NONE, 5000, None)

    def until(self, what, done, timeout=10):
        self.assertTrue(pump(done, timeout), "timed out waiting for " + what)

    def start(self, total_kib):
        write_meminfo(os.path.join(self.procfs, "meminfo"), total_kib, 64 * KIB)
        self.proc = subprocess.Popen([self.binary, "--procfs", self.procfs,
                                      "--config", self.config],
                                     env=self.env, stdout=subprocess.DEVNULL)
        self.until("the item to register", lambda: self.watcher.items, timeout=20)
        item = TrayItem(self.bus, *self.watcher.items[0])
        self.until("the first figure", lambda: self.label(item) == "64.00 MB")
        return item

    @staticmethod
    def label(item):
        return item.properties()["XAyatanaLabel"]

    def cleaning(self, item):
        return bool(PROGRESS.match(self.label(item)))

    def windows(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid)],
                               capture_output=True, text=True)
        return found.stdout.split()

    def children(self):
        found = subprocess.run(["pgrep", "-P", str(self.proc.pid)], capture_output=True, text=True)
        return found.stdout.split()

    def test_rows_work_during_a_clean_a_second_clean_is_refused_and_quit_ends_it(self):
        item = self.start(2 * 1024 * 1024)  # 2 GiB installed: the clean holds for 4 s
        icons = item.properties()["IconThemePath"]

        item.click("Extreme Clean")
        self.until("the clean's progress", lambda: self.cleaning(item))
        item.click("Extreme Clean")
        item.click("Extreme Clean")
        item.click("Preferences...")
        self.until("the preferences window", lambda: len(self.windows()) == 1, timeout=5)
        item.click("Rate Headroom...")
        self.until("the rating dialog", lambda: len(self.windows()) == 2, timeout=5)
        item.click("Welcome...")
        self.until("the welcome program", self.children, timeout=5)
        self.spawned += [int(pid) for pid in self.children()]
        self.assertTrue(self.cleaning(item), "the windows came only after the clean")

        # The clean ends and no other follows it: the second and third clicks were refused.
        self.until("the end of the clean", lambda: not self.cleaning(item))
        progress = []
        pump(lambda: progress.append(self.cleaning(item)) and False, 6.0)
        self.assertNotIn(True, progress, "a clean that was asked for during one ran after it")

        # Quit during the next clean.
        item.click("Extreme Clean")
        self.until("the next clean's progress", lambda: self.cleaning(item))
        self.assertEqual(oom_score_adj(self.proc.pid), 1000)
        asked = time.monotonic()
        item.click("Quit")
        self.assert_ends_promptly(asked)
        self.assertFalse(os.path.exists(icons))

    def test_signals_during_a_clean_end_it_and_the_process(self):
        # 1 TiB installed by the fixture: a clean that would hold for 34 minutes. The floor is
        # the real machine's, so blocks are claimed all the same.
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=signal.Signals(number).name):
                if self.proc is not None and self.proc.poll() is None:
                    self.proc.kill()  # left by a failed step
                    self.proc.wait()
                self.watcher.items.clear()
                item = self.start(1024 * 1024 * 1024)
                icons = item.properties()["IconThemePath"]
                before = status_field(self.proc.pid, "VmRSS")
                item.click("Extreme Clean")
                self.until("blocks claimed", lambda: status_field(self.proc.pid, "VmRSS")
                           > before + 16 * KIB)
                self.assertTrue(self.cleaning(item))
                self.assertEqual(oom_score_adj(self.proc.pid), 1000)
                asked = time.monotonic()
                self.proc.send_signal(number)
                self.assert_ends_promptly(asked)
                self.assertFalse(os.path.exists(icons))


class TestTerminalDuringAClean(CleanCase):
    def test_keys_work_during_a_clean_started_with_c(self):
        write_meminfo(os.path.join(self.procfs, "meminfo"), 1024 * 1024, 64 * KIB)
        master, slave = pty.openpty()
        self.proc = subprocess.Popen([self.binary, "--terminal", "--procfs", self.procfs,
                                      "--config", self.config],
                                     env=self.env, stdin=slave, stdout=slave,
                                     stderr=subprocess.DEVNULL, close_fds=True)
        os.close(slave)
        seen = [""]

        def until(pattern, timeout=10):
            """Reads the view until its last complete frame matches `pattern`."""
            deadline = time.monotonic() + timeout
            while time.monotonic() < deadline:
                text = re.sub(r"\x1b\[[0-9;]*m", "", seen[0]).replace("\r\n", "\n")
                frames = [f for f in text.split("\x1b[H\x1b[2J") if "\nKeys:" in f]
                if frames and re.search(pattern, frames[-1], re.M):
                    return frames[-1]
                ready, _, _ = select.select([master], [], [], 0.1)
                if ready:
                    try:
                        seen[0] += os.read(master, 65536).decode(errors="replace")
                    except OSError:
                        break
                    seen[0] = seen[0][-20000:]
            self.fail("the view never showed %r; last output:\n%r" % (pattern, seen[0][-1500:]))

        try:
            until(r"^Title: 64\.00 MB")
            os.write(master, b"c")
            until(r"^Title: \d+% ")
            os.write(master, b"p")
            # The rows switch to percentages while the title still shows the clean's progress.
            until(r"^Title: \d+% .*\n(.*\n)* +Free: 6\.25%$", timeout=1.5)
            asked = time.monotonic()
            os.write(master, b"q")
            self.assert_ends_promptly(asked)
        finally:
            os.close(master)


if __name__ == "__main__":
    BINARY, MEMINFO, RESOURCES = sys.argv.pop(1), sys.argv.pop(1), sys.argv.pop(1)
    result = unittest.main(verbosity=2, exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
