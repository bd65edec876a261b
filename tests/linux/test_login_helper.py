"""The login helper and Headroom's launch on the test run's private session bus.

The helper owns com.Tidewell.Helper, starts the `headroom` beside it unless
com.Tidewell.Headroom has an owner, and ends on the TERMINATEHELPER signal, or when that
Headroom does not own its name within a few seconds (or ends without the signal) (interface
com.Tidewell.Headroom, path /com/Tidewell/Headroom, one string: the sender's id). Headroom
sends that signal once at launch when the helper's name has an owner, and never otherwise.
Signals are watched with a match rule of our own.

Run by ctest as:
    /usr/bin/python3 test_login_helper.py <headroom> <headroom-login-helper> <fixture procfs>
Exits 77 (ctest: skipped) without a session bus.
"""

import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

SKIPPED = 77

if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
    print("SKIPPED: the login helper test needs a session bus; run it under dbus-run-session "
          "as the README says")
    sys.exit(SKIPPED)

from gi.repository import Gio, GLib  # noqa: E402  (only once we know there is a bus)

HEADROOM = HELPER = PROCFS = None
HELPER_NAME = "com.Tidewell.Helper"
APP_NAME = "com.Tidewell.Headroom"


_BUS = []


def bus():
    """One connection for the whole run: GIO keeps its session bus only while it is held, and
    a subscription lives no longer than its connection."""
    if not _BUS:
        _BUS.append(Gio.bus_get_sync(Gio.BusType.SESSION, None))
    return _BUS[0]


def call_bus(method, args, reply):
    return bus().call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", method, args, GLib.VariantType(reply),
                           Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]


def has_owner(name):
    return call_bus("NameHasOwner", GLib.Variant("(s)", (name,)), "(b)")


def read(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def turn_until(done, timeout):
    """Turns the default main context (delivering signals) until done() or timeout."""
    deadline = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while not done() and time.monotonic() < deadline:
        while context.iteration(False):
            pass
        time.sleep(0.02)
    return done()


class SignalWatch:
    """Every TERMINATEHELPER seen on the bus, by its argument."""

    def __init__(self):
        self.arguments = []
        self.id = bus().signal_subscribe(None, "com.Tidewell.Headroom", "TERMINATEHELPER",
                                         "/com/Tidewell/Headroom", None,
                                         Gio.DBusSignalFlags.NONE, self._seen)
        bus().flush_sync(None)

    def _seen(self, connection, sender, path, interface, name, parameters):
        self.arguments.append(parameters.unpack()[0])

    def close(self):
        bus().signal_unsubscribe(self.id)


class HelperTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="headroom helper ")  # a space in every path
        self.env = dict(os.environ)
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.dir, "config")
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.dir, "run")
        os.mkdir(self.env["XDG_RUNTIME_DIR"], 0o700)
        self.marker = os.path.join(self.dir, "started")
        self.env["HEADROOM_TEST_MARKER"] = self.marker
        self.watch = SignalWatch()
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.watch.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    def install(self, headroom):
        """The helper in a folder of its own, beside `headroom`: a path to link to, or the text
        of a stand-in script."""
        folder = os.path.join(self.dir, "bin")
        os.makedirs(folder)
        helper = os.path.join(folder, "headroom-login-helper")
        shutil.copy2(HELPER, helper)
        beside = os.path.join(folder, "headroom")
        if os.path.isabs(headroom):
            os.symlink(headroom, beside)
        else:
            with open(beside, "w", encoding="utf-8") as script:
                script.write(headroom)
            os.chmod(beside, stat.S_IRWXU)
        return helper, beside

    def start_helper(self, helper, env=None):
        process = subprocess.Popen([helper], env=env or self.env, stdin=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def print_once(self):
        env = dict(self.env)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        result = subprocess.run([HEADROOM, "--print", "--procfs", PROCFS], env=env,
                                stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                timeout=30)
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_helper_starts_headroom_and_ends_when_headroom_launches(self):
        helper, beside = self.install('#!/bin/sh\nprintf "%s" "$0" > "$HEADROOM_TEST_MARKER"\n')
        process = self.start_helper(helper)
        self.assertTrue(turn_until(lambda: has_owner(HELPER_NAME), 10),
                        "the helper never owned its name")
        # It started the headroom beside itself, by its absolute path.
        self.assertTrue(turn_until(lambda: read(self.marker), 10))
        self.assertEqual(read(self.marker), beside)
        self.assertIsNone(process.poll(), "the helper ended before being told to")

        self.print_once()

        self.assertEqual(process.wait(timeout=10), 0)
        self.assertTrue(turn_until(lambda: self.watch.arguments, 5))
        turn_until(lambda: False, 0.3)
        self.assertEqual(self.watch.arguments, [APP_NAME])
        self.assertFalse(has_owner(HELPER_NAME))

    def test_headroom_alone_sends_no_signal(self):
        self.assertFalse(has_owner(HELPER_NAME))
        self.print_once()
        turn_until(lambda: self.watch.arguments, 1.0)
        self.assertEqual(self.watch.arguments, [])

    def test_helper_leaves_a_running_headroom_alone(self):
        helper, _ = self.install('#!/bin/sh\ntouch "$HEADROOM_TEST_MARKER"\n')
        owner = Gio.bus_own_name(Gio.BusType.SESSION, APP_NAME, Gio.BusNameOwnerFlags.NONE,
                                 None, None, None)
        try:
            self.assertTrue(turn_until(lambda: has_owner(APP_NAME), 5))
            process = self.start_helper(helper)
            self.assertEqual(process.wait(timeout=10), 0)
            self.assertFalse(os.path.exists(self.marker), "a second Headroom was started")
        finally:
            Gio.bus_unown_name(owner)
            turn_until(lambda: not has_owner(APP_NAME), 5)

    def test_a_second_helper_ends_at_once(self):
        helper, _ = self.install('#!/bin/sh\nexit 0\n')
        first = self.start_helper(helper)
        self.assertTrue(turn_until(lambda: has_owner(HELPER_NAME), 10))
        second = self.start_helper(helper)
        self.assertEqual(second.wait(timeout=10), 0)
        self.assertIsNone(first.poll())
        first.send_signal(signal.SIGTERM)
        self.assertEqual(first.wait(timeout=10), 0)

    def test_helper_ends_within_seconds_when_headroom_does_not_come_up(self):
        # A Headroom that fails at once, and one that hangs without owning its name.
        for name, script in (("fails", "exit 3\n"), ("hangs", "exec sleep 60\n")):
            with self.subTest(name):
                shutil.rmtree(os.path.join(self.dir, "bin"), ignore_errors=True)
                helper, _ = self.install('#!/bin/sh\necho $$ > "$HEADROOM_TEST_MARKER"\n' + script)
                started = time.monotonic()
                process = self.start_helper(helper)
                try:
                    self.assertEqual(process.wait(timeout=15), 1)
                finally:
                    if read(self.marker).strip():
                        try:
                            os.kill(int(read(self.marker)), signal.SIGKILL)
                        except ProcessLookupError:
                            pass
                        os.unlink(self.marker)
                self.assertLess(time.monotonic() - started, 8)
                self.assertFalse(has_owner(HELPER_NAME))
                self.assertEqual(self.watch.arguments, [])

    @unittest.skipUnless(os.environ.get("DISPLAY"), "needs a display for Headroom's tray")
    def test_the_real_headroom_started_by_the_helper_ends_it(self):
        helper, _ = self.install(HEADROOM)
        process = self.start_helper(helper)
        try:
            self.assertTrue(turn_until(lambda: has_owner(APP_NAME), 20),
                            "the helper did not start Headroom")
            self.assertEqual(process.wait(timeout=15), 0)
            self.assertTrue(turn_until(lambda: self.watch.arguments, 5))
            self.assertEqual(self.watch.arguments, [APP_NAME])
        finally:
            if has_owner(APP_NAME):
                pid = call_bus("GetConnectionUnixProcessID", GLib.Variant("(s)", (APP_NAME,)),
                               "(u)")
                os.kill(pid, signal.SIGTERM)
                turn_until(lambda: not has_owner(APP_NAME), 10)


if __name__ == "__main__":
    HEADROOM, HELPER, PROCFS = (os.path.abspath(a) for a in sys.argv[1:4])
    unittest.main(argv=[sys.argv[0]], verbosity=2)
