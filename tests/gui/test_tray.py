"""End-to-end test of the tray: the real binary on the private session bus and X server of the
test run, seen the way a panel sees it. A small StatusNotifierWatcher of our own (freedesktop
StatusNotifierItem specification, org.kde.StatusNotifierWatcher) takes the item's
registration; the item is read with org.freedesktop.DBus.Properties.GetAll and its menu with
com.canonical.dbusmenu.GetLayout, and a row is chosen with com.canonical.dbusmenu.Event.

Run by ctest as: /usr/bin/python3 test_tray.py <path to headroom> <fixture meminfo>
Exits 77 (ctest: skipped) without a display or a session bus.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SKIPPED = 77

if not os.environ.get("DISPLAY") or not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
    print("SKIPPED: the tray test needs DISPLAY and DBUS_SESSION_BUS_ADDRESS; run it under "
          "dbus-run-session and xvfb-run as the README says")
    sys.exit(SKIPPED)

from gi.repository import Gio, GLib  # noqa: E402  (only once we know there is a bus)

BINARY = None
MEMINFO = None
APPS_FIXTURE = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "e2e", "apps")
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
MENU_INTERFACE = "com.canonical.dbusmenu"
KIB = 1024

WATCHER_XML = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>"""


class Watcher:
    """Owns org.kde.StatusNotifierWatcher and keeps every item that registers as (bus name,
    object path). GDBus publishes the introspection XML for it."""

    def __init__(self, bus):
        self.items = []
        interface = Gio.DBusNodeInfo.new_for_xml(WATCHER_XML).interfaces[0]
        self.registration = bus.register_object("/StatusNotifierWatcher", interface,
                                                 self._call, self._get, None)
        reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", "RequestName",
                              GLib.Variant("(su)", ("org.kde.StatusNotifierWatcher", 4)),
                              GLib.VariantType("(u)"), Gio.DBusCallFlags.NONE, 5000, None)
        if reply.unpack()[0] != 1:
            raise RuntimeError("another StatusNotifierWatcher owns the name on this bus")

    def _call(self, connection, sender, path, interface, method, parameters, invocation):
        if method == "RegisterStatusNotifierItem":
            service = parameters.unpack()[0]
            # An object path alone names an object of the caller.
            item = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
            self.items.append(item)
            connection.emit_signal(None, path, interface, "StatusNotifierItemRegistered",
                                   GLib.Variant("(s)", (item[0] + item[1],)))
        invocation.return_value(None)

    def _get(self, connection, sender, path, interface, name):
        return {
            "RegisteredStatusNotifierItems": GLib.Variant("as", [n + p for n, p in self.items]),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
            "ProtocolVersion": GLib.Variant("i", 0),
        }[name]


def pump(done, timeout):
    """Turns this process's main context (the watcher's) until done() or the timeout."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + timeout
    while True:
        while context.pending():
            context.iteration(False)
        if done():
            return True
        if time.monotonic() >= deadline:
            return False
        time.sleep(0.02)


def private_folders(tmp):
    """A preference file at a 1-second refresh, and runtime and config folders of its own."""
    config = os.path.join(tmp, "prefs.ini")
    with open(config, "w") as f:
        f.write("[Preferences]\nrefreshInterval=1\n")
    runtime = os.path.join(tmp, "run")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=os.path.join(tmp, "xdg"))
    return config, runtime, env


def write_meminfo(path, free_kib):
    """Replaces the fixture's meminfo by rename, with MemFree set to free_kib."""
    with open(MEMINFO) as original:
        lines = [("MemFree:        %8d kB\n" % free_kib) if l.startswith("MemFree:") else l
                 for l in original]
    with open(path + ".new", "w") as f:
        f.writelines(lines)
    os.replace(path + ".new", path)


class TrayItem:
    """The item as a panel reads it."""

    def __init__(self, bus, name, path):
        self.bus, self.name, self.path = bus, name, path

    def call(self, path, interface, method, args, reply_type):
        reply = self.bus.call_sync(self.name, path, interface, method, args,
                                   GLib.VariantType(reply_type) if reply_type else None,
                                   Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack() if reply_type else None

    def properties(self):
        return self.call(self.path, "org.freedesktop.DBus.Properties", "GetAll",
                         GLib.Variant("(s)", (ITEM_INTERFACE,)), "(a{sv})")[0]

    def tooltip(self):
        return self.call(self.path, "org.freedesktop.DBus.Properties", "Get",
                         GLib.Variant("(ss)", (ITEM_INTERFACE, "ToolTip")), "(v)")[0]

    def rows(self, about_to_show=True):
        """The top-level menu rows: (id, properties) in order, as a panel about to show the
        menu reads them (or as they stand, when not about_to_show)."""
        menu = self.properties()["Menu"]
        if about_to_show:
            self.call(menu, MENU_INTERFACE, "AboutToShow", GLib.Variant("(i)", (0,)), "(b)")
        _, (_, _, children) = self.call(menu, MENU_INTERFACE, "GetLayout",
                                         GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))")
        return [(child[0], child[1]) for child in children]

    def labels(self, about_to_show=True):
        return [props.get("label", "---" if props.get("type") == "separator" else "")
                for _, props in self.rows(about_to_show)]

    def menu_event(self, name):
        self.call(self.properties()["Menu"], MENU_INTERFACE, "Event",
                  GLib.Variant("(isvu)", (0, name, GLib.Variant("s", ""), 0)), None)

    def click(self, label):
        row = next(row_id for row_id, props in self.rows() if props.get("label") == label)
        self.call(self.properties()["Menu"], MENU_INTERFACE, "Event",
                  GLib.Variant("(isvu)", (row, "clicked", GLib.Variant("s", ""), 0)), None)


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        return int(next(l for l in status if l.startswith("VmRSS:")).split()[1])


class TestTray(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="headroom-tray-")
        self.procfs = os.path.join(self.tmp, "proc")
        os.mkdir(self.procfs)
        self.meminfo = os.path.join(self.procfs, "meminfo")
        shutil.copyfile(MEMINFO, self.meminfo)
        self.config, self.runtime, self.env = private_folders(self.tmp)
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self.watcher = Watcher(self.bus)
        self.proc = None

    def tearDown(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        err = b""
        if self.proc is not None:
            err = self.proc.stderr.read()
            self.proc.stderr.close()
            if err:
                print("headroom's standard error:\n" + err.decode(errors="replace"))
        self.release_watcher()
        shutil.rmtree(self.tmp, ignore_errors=True)
        # GTK and the indicator library say nothing when the item is used as panels use it.
        self.assertNotIn(b"WARNING", err)
        self.assertNotIn(b"CRITICAL", err)

    def release_watcher(self):
        if self.watcher is None:
            return
        self.bus.unregister_object(self.watcher.registration)
        self.bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "ReleaseName", GLib.Variant("(s)", ("org.kde.StatusNotifierWatcher",)),
                           None, Gio.DBusCallFlags.NONE, 5000, None)
        self.watcher = None

    def until(self, what, done, timeout=10):
        self.assertTrue(pump(done, timeout), "timed out waiting for " + what)

    def start(self, procfs=None, **env):
        self.proc = subprocess.Popen([BINARY, "--procfs", procfs or self.procfs,
                                      "--config", self.config],
                                     env=dict(self.env, **env), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE)
        self.until("the item to register", lambda: self.watcher.items, timeout=20)
        name, path = self.watcher.items[0]
        self.assertEqual(path, "/org/ayatana/NotificationItem/com_Tidewell_Headroom")
        return TrayItem(self.bus, name, path)

    def test_label_menu_attention_second_launch_and_quit(self):
        item = self.start()

        # The label is the fixture's Free figure, sized for the widest amount; the title, which
        # panels without labels show as the tooltip, carries it too.
        self.until("the label", lambda: item.properties()["XAyatanaLabel"] == "2.00 GB")
        props = item.properties()
        self.assertEqual(props["XAyatanaLabelGuide"], "8888.88 MB")
        self.assertEqual(props["Title"], "Headroom: 2.00 GB")
        # The tooltip (Plasma 6 shows no other), in GetAll and Get, and NewToolTip as it changes.
        self.assertEqual(props["ToolTip"], ("", [], "Headroom: 2.00 GB", ""))
        tips = []
        self.bus.signal_subscribe(item.name, ITEM_INTERFACE, "NewToolTip", item.path, None,
                                  Gio.DBusSignalFlags.NONE, lambda *_: tips.append(item.tooltip()))
        self.assertEqual(props["Status"], "Active")
        icons = props["IconThemePath"]
        self.assertEqual(icons, os.path.join(self.runtime, "headroom-%d" % self.proc.pid))
        self.assertEqual(os.stat(icons).st_mode & 0o777, 0o700)
        # This watcher is no panel we know: the figure is drawn into the icon, on a plate, with
        # (1 - 2/8) of the 14-pixel bar; the name is the bar's, the figure is in the file.
        self.assertEqual(props["IconName"], "headroom-22-plate-bar11")
        icon = os.path.join(icons, props["IconName"] + ".svg")
        with open(icon) as f:
            drawn = f.read()
        self.assertIn('<rect width="22" height="22" rx="3" fill="#2e3436"/>', drawn)
        self.assertIn("<title>2.0G</title>", drawn)

        # Rows 2 to 6 are written by the first tick, a refresh interval after launch.
        self.until("the first tick's rows", lambda: "  Free: 2.00 GB" in item.labels())
        labels = item.labels()
        self.assertEqual(labels[:3], ["Extreme Clean", "---", "  Free: 2.00 GB"])
        self.assertIn("  Total: 8.00 GB", labels)
        self.assertIn("Quit", labels)
        print("resident memory of the tray process after start-up: %d KiB"
              % resident_kib(self.proc.pid))

        # A left click on LXQt's panel calls Activate: the menu opens at the pointer (its popup
        # window carries the program's class), and Escape closes it. Only this process's
        # windows count: the other window tests on the display carry the same class.
        def menu_windows():
            found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid",
                                    str(self.proc.pid), "--class", "com.Tidewell.Headroom"],
                                   capture_output=True, text=True)
            return found.stdout.split()
        self.assertEqual(menu_windows(), [])
        item.call(item.path, ITEM_INTERFACE, "Activate", GLib.Variant("(ii)", (100, 100)), None)
        self.until("the menu's window", lambda: menu_windows() != [])
        # The program's windows carry its application id as their class.
        wm_class = subprocess.run(["xprop", "-id", menu_windows()[0], "WM_CLASS"],
                                  capture_output=True, text=True).stdout
        self.assertIn('"com.Tidewell.Headroom", "com.Tidewell.Headroom"', wm_class)
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        self.until("the menu to close", lambda: menu_windows() == [])

        # A second launch leaves the tray to the first.
        second = subprocess.run([BINARY, "--procfs", self.procfs, "--config",
                                 os.path.join(self.tmp, "second.ini")],
                                env=self.env, capture_output=True, text=True, timeout=30)
        self.assertEqual(second.returncode, 0, second.stderr)
        # Only its one line: no GIO warning about the D-Bus registration, no blank line.
        self.assertEqual(second.stderr, "headroom: already running in this session\n")
        self.assertFalse(os.path.exists(os.path.join(self.tmp, "second.ini")))
        pump(lambda: False, 0.3)
        self.assertEqual(len(self.watcher.items), 1)

        # Less free memory: the label and the icon follow at the next tick; the menu's rows
        # only when it is about to be shown.
        write_meminfo(self.meminfo, 1024 * KIB)
        self.until("the new label", lambda: item.properties()["XAyatanaLabel"] == "1.00 GB")
        self.assertIn("  Free: 2.00 GB", item.labels(about_to_show=False))
        self.assertIn("  Free: 1.00 GB", item.labels())
        props = item.properties()
        self.assertEqual(props["IconName"], "headroom-22-plate-bar12")
        self.assertEqual(props["Title"], "Headroom: 1.00 GB")
        self.until("NewToolTip", lambda: tips)
        self.assertEqual(tips, [("", [], "Headroom: 1.00 GB", "")])
        # The name serves every figure at that bar length: the description changes with the
        # title, so that panels load the rewritten file.
        self.assertEqual(props["IconAccessibleDesc"], props["Title"])
        self.assertTrue(os.path.exists(icon), "icons are kept for reuse while Headroom runs")

        # Below the memory level (200 MiB by default) the item asks for attention, and the icon
        # itself turns red: some panels never show the attention icon. The menu is open: its
        # rows follow every tick.
        item.menu_event("opened")
        write_meminfo(self.meminfo, 100 * KIB)
        self.until("the open menu's row",
                   lambda: "  Free: 100.00 MB" in item.labels(about_to_show=False))
        item.menu_event("closed")
        self.until("attention", lambda: item.properties()["Status"] == "NeedsAttention")
        props = item.properties()
        self.assertEqual(props["XAyatanaLabel"], "100.00 MB")
        self.assertEqual(props["IconName"], "headroom-red-22-plate-bar14")
        self.assertEqual(props["AttentionIconName"], props["IconName"])
        with open(os.path.join(icons, props["IconName"] + ".svg")) as f:
            self.assertIn("#a51d2d", f.read())

        # Quit from the menu ends the process cleanly and takes the icon folder with it.
        item.click("Quit")
        self.assertEqual(self.proc.wait(timeout=15), 0)
        self.assertFalse(os.path.exists(icons))

    def test_without_any_panel_it_says_so_once(self):
        self.release_watcher()
        log = os.path.join(self.tmp, "stderr")
        with open(log, "wb") as err:
            proc = subprocess.Popen([BINARY, "--procfs", self.procfs, "--config", self.config],
                                    env=self.env, stdout=subprocess.DEVNULL, stderr=err)

        def said():
            with open(log, "rb") as f:
                return b"No panel shows the tray item" in f.read()
        try:
            self.until("the notice", said, timeout=30)
            pump(lambda: False, 4)  # it is said once, not again
            self.assertIsNone(proc.poll(), "Headroom goes on running")
        finally:
            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(timeout=30), 0)
        with open(log, "rb") as f:
            err = f.read().decode()
        self.assertEqual(err.count("No panel shows the tray item"), 1, err)
        self.assertIn("--terminal", err)
        self.assertIn("gnome-shell-extension-appindicator", err)
        self.assertNotIn("CRITICAL", err)
        self.assertNotIn("WARNING", err)

    def test_terminate_signal_ends_cleanly(self):
        item = self.start()
        icons = item.properties()["IconThemePath"]
        self.assertTrue(os.path.isdir(icons))
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.proc.wait(timeout=15), 0)
        self.assertFalse(os.path.exists(icons))

    def test_a_lost_display_is_said_and_leaves_no_folder_behind(self):
        # Icon folders of runs that ended without removing them: no process can have the first
        # id, and this test's own is not Headroom. Other names are left alone.
        ended = [os.path.join(self.runtime, "headroom-%d" % pid) for pid in (4194305, os.getpid())]
        for folder in ended:
            os.makedirs(os.path.join(folder, "b"))
            open(os.path.join(folder, "b", "h4_n.svg"), "w").close()
        os.mkdir(os.path.join(self.runtime, "headroom-notes"))
        # An X server of this test's own, to be killed under the tray.
        read, write = os.pipe()
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "640x480x24",
                                   "-nolisten", "tcp", "-noreset"], pass_fds=[write],
                                  stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as answer:  # read to the line's end: the server writes it in two
            display = ":" + answer.readline().strip()
        try:
            self.start(DISPLAY=display)
            own = "headroom-%d" % self.proc.pid
            self.assertEqual(sorted(os.listdir(self.runtime)), [own, "headroom-notes"])
        finally:
            server.kill()
            server.wait()
        self.assertEqual(self.proc.wait(timeout=15), 1)
        self.assertEqual(os.listdir(self.runtime), ["headroom-notes"])
        err = self.proc.stderr.read().decode()
        self.assertEqual([line for line in err.splitlines() if "display" in line],
                         ["headroom: Lost the display %s; Headroom ends" % display], err)

    def test_application_rows_reach_the_panel_with_their_icons(self):
        # The fixture of running applications (tests/e2e/apps/README.md), copied so that its
        # processes belong to whoever runs the tests; its statm counts 4 KiB pages.
        root = os.path.join(self.tmp, "apps")
        shutil.copytree(APPS_FIXTURE, root)
        procfs = os.path.join(root, "procfs")
        page = os.sysconf("SC_PAGE_SIZE")
        for pid in filter(str.isdigit, os.listdir(procfs)):
            statm = os.path.join(procfs, pid, "statm")
            with open(statm) as f:
                fields = [int(v) * 4096 // page for v in f.read().split()]
            with open(statm, "w") as f:
                f.write(" ".join(map(str, fields)) + "\n")
        # The fixture's desktop entries first; the system's icon themes after them.
        item = self.start(procfs, LANG="C", XDG_DATA_HOME=os.path.join(root, "home"),
                          XDG_DATA_DIRS=os.path.join(root, "data") + ":/usr/share")

        self.until("the application rows", lambda: "Significant Usage" in item.labels())
        rows = item.rows()
        header = next(i for i, (_, props) in enumerate(rows)
                      if props.get("label") == "Significant Usage")
        self.assertEqual(rows[header - 1][1].get("type"), "separator")
        apps = rows[header + 1:header + 4]
        self.assertEqual([props.get("label") for _, props in apps],
                         ["  Text Editor", "  Firefox ESR", "  Terminal"])
        # Each row names its application's own icon where one is installed (the fixture's
        # pixmaps and hicolor folders; the Terminal's is installed only with it), for the panel
        # to draw at its own scale.
        for (_, props), own in zip(apps, ["org.gnome.gedit", "firefox-esr", "org.gnome.Terminal"]):
            self.assertFalse(props.get("enabled", True))
            self.assertNotIn("icon-data", props)
            self.assertIn(props.get("icon-name"), [own] if own != "org.gnome.Terminal" else
                          [own, "application-x-executable"])
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.proc.wait(timeout=15), 0)


if __name__ == "__main__":
    BINARY, MEMINFO = sys.argv.pop(1), sys.argv.pop(1)
    result = unittest.main(verbosity=2, exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
