"""The pressure warning end to end: the real binary on a procfs whose pressure file the test
rewrites, with a notification server of the test's own on the private session bus, and once more
on a bus of its own where no server runs.

Run by ctest, under dbus-run-session, as: python3 test_pressure.py <path to headroom>
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BUS_CONFIG = os.path.join(HERE, "..", "session-bus.conf")
BINARY = None
NAME = "org.freedesktop.Notifications"
INTERFACE = """<node><interface name="org.freedesktop.Notifications">
  <method name="Notify">
    <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
    <arg type="u" direction="out"/>
  </method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
</interface></node>"""


class NotificationServer:
    """Answers Notify with a new id (or the one replaced) and keeps every call with its time."""

    def __init__(self):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.calls = []
        info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
        self.registration = self.bus.register_object(
            "/org/freedesktop/Notifications", info, self.called, None, None)
        reply = self.bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus", "RequestName",
                                   GLib.Variant("(su)", (NAME, 4)), GLib.VariantType("(u)"),
                                   Gio.DBusCallFlags.NONE, -1, None)
        assert reply.unpack() == (1,), "another notification server runs on this bus"

    def called(self, bus, sender, path, interface, method, parameters, invocation):
        arguments = parameters.unpack()
        self.calls.append((time.monotonic(), method, arguments))
        if method == "Notify":
            invocation.return_value(GLib.Variant("(u)", (arguments[1] or 41 + len(self.calls),)))
        else:
            invocation.return_value(None)

    def wait_for(self, count, timeout):
        """Turns the loop until `count` calls came, or `timeout` seconds passed."""
        deadline = time.monotonic() + timeout
        context = GLib.MainContext.default()
        while len(self.calls) < count and time.monotonic() < deadline:
            context.iteration(False) or time.sleep(0.02)
        return self.calls


def write_pressure(procfs, avg10):
    # Replaced whole, as the kernel's file reads whole.
    path = os.path.join(procfs, "pressure", "memory")
    with open(path + ".new", "w") as f:
        f.write("some avg10=%.2f avg60=1.00 avg300=0.50 total=123456\n"
                "full avg10=0.00 avg60=0.00 avg300=0.00 total=0\n" % avg10)
    os.replace(path + ".new", path)


class TestPressureWarning(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="headroom-pressure-")
        self.procfs = os.path.join(self.tmp, "proc")
        shutil.copytree(os.path.join(HERE, "procfs"), self.procfs)
        os.mkdir(os.path.join(self.procfs, "pressure"))
        self.env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.tmp, "xdg")
        self.procs = []

    def tearDown(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
            proc.wait()
            proc.stdin.close()
            proc.stderr.close()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def start(self, *wrapper):
        proc = subprocess.Popen([*wrapper, BINARY, "--terminal", "--procfs", self.procfs],
                                env=self.env, stdin=subprocess.PIPE,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.procs.append(proc)
        return proc

    def test_shown_after_ten_seconds_changed_in_place_and_closed_after_thirty_calm(self):
        server = NotificationServer()
        write_pressure(self.procfs, 0.0)
        # The same run on a bus where nothing answers for notifications, beside this one.
        lonely = self.start("dbus-run-session", "--config-file", BUS_CONFIG, "--")
        warned = self.start()
        time.sleep(1.0)
        start = time.monotonic()
        write_pressure(self.procfs, 25.0)

        calls = server.wait_for(2, 30)
        self.assertEqual([c[1] for c in calls], ["Notify", "Notify"], calls)
        (first_at, _, first), (second_at, _, second) = calls
        app, replaces, icon, summary, body, actions, hints, timeout = first
        self.assertEqual((app, replaces, icon, actions), ("Headroom", 0, "com.Tidewell.Headroom",
                                                          []))
        self.assertEqual(hints, {"desktop-entry": "com.Tidewell.Headroom"})
        self.assertEqual(summary, "Programs are waiting for memory")
        self.assertTrue(body.startswith("They waited 2.5 s of the last 10 s."), body)
        # At or above the level for 10 s (read at a 5 s refresh at the latest), then every 10 s,
        # in place of the first.
        self.assertGreaterEqual(first_at - start, 9.5)
        self.assertLess(first_at - start, 17)
        self.assertAlmostEqual(second_at - first_at, 10, delta=1.5)
        self.assertEqual(second[1], 42)

        write_pressure(self.procfs, 4.9)  # below half the level of 10 %
        calm = time.monotonic()
        calls = server.wait_for(3, 45)
        self.assertEqual([c[1:] for c in calls[2:]], [("CloseNotification", (42,))], calls)
        self.assertGreaterEqual(calls[2][0] - calm, 29.5)
        self.assertLess(calls[2][0] - calm, 37)

        for proc in (warned, lonely):
            proc.stdin.write(b"q")  # the view's key to quit
            proc.stdin.flush()
            self.assertEqual(proc.wait(timeout=10), 0)
        lines = lonely.stderr.read().decode().splitlines()
        self.assertEqual([line for line in lines if "notification" in line],
                         ["headroom: Cannot show a desktop notification: "
                          "GDBus.Error:org.freedesktop.DBus.Error.ServiceUnknown: The name "
                          "org.freedesktop.Notifications was not provided by any .service files"],
                         lines)
        self.assertEqual(warned.stderr.read().decode(), "")


if __name__ == "__main__":
    BINARY = sys.argv.pop(1)
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        print("SKIPPED: the pressure warning test needs a session bus; run it under "
              "dbus-run-session as the README says")
        sys.exit(77)
    unittest.main(verbosity=2)
