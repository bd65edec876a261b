"""End-to-end test of the welcome window as a program of its own: the real tray (seen through
test_tray's StatusNotifierWatcher) starts headroom-welcome for each "Welcome..." and ends the
one before; the window, under openbox, closes with the user's Alt+F4 and its program ends with
its web-engine processes; the tray never maps the web engine.

Run by ctest as: /usr/bin/python3 test_welcome_process.py <path to headroom> <fixture meminfo>
Exits 77 (ctest: skipped) without a display or a session bus.
"""

import os
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_tray  # noqa: E402  (exits 77 itself without a display or a bus)
from test_tray import GLib, pump  # noqa: E402

WEB_ENGINE_LIBRARIES = ("libwebkit2gtk", "libjavascriptcoregtk", "libsoup-3")


def children(pid):
    """The processes whose parent is pid, as {pid: command name}."""
    found = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        if int(stat[stat.rindex(")") + 2:].split()[1]) == pid:
            found[int(entry)] = name
    return found


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


def mapped_web_engine(pid):
    with open("/proc/%d/maps" % pid) as maps:
        return sorted({line.split()[-1] for line in maps
                       if any(lib in line for lib in WEB_ENGINE_LIBRARIES)})


def xdotool(*args):
    return subprocess.run(("xdotool",) + args, capture_output=True, text=True, timeout=20)


class TestWelcomeProcess(test_tray.TestTray):
    # Only this test of the tray's; the others run in test_tray.py.
    test_label_menu_attention_second_launch_and_quit = None
    test_terminate_signal_ends_cleanly = None
    test_application_rows_reach_the_panel_with_their_icons = None

    def setUp(self):
        super().setUp()
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)

    def tearDown(self):
        # A welcome program left by a failed test would keep the tray's standard error open.
        for pid in children(self.proc.pid) if self.proc is not None else ():
            os.kill(pid, signal.SIGKILL)
        self.wm.terminate()
        self.wm.wait()
        super().tearDown()

    def welcome(self):
        """The running welcome program started by the tray (waited for)."""
        found = []
        self.until("the welcome program", lambda: found.extend(
            p for p, name in children(self.proc.pid).items() if name == "headroom-welcom"
            and alive(p)) or found)
        return found[0]

    def window_of(self, pid):
        """The welcome window of the program pid, once mapped; its WM_CLASS is the
        application's id, instance and class alike."""
        windows = []

        def mapped():
            result = xdotool("search", "--all", "--onlyvisible", "--pid", str(pid), "--classname",
                             "^com\\.Tidewell\\.Headroom$")
            windows[:] = result.stdout.split()
            return windows
        self.until("the welcome window", mapped, timeout=20)
        wm_class = subprocess.run(["xprop", "-id", windows[0], "WM_CLASS"],
                                  capture_output=True, text=True, timeout=20).stdout
        self.assertIn('"com.Tidewell.Headroom", "com.Tidewell.Headroom"', wm_class)
        self.assert_headroom_icon(windows[0])
        return windows[0]

    def assert_headroom_icon(self, window):
        """The window's icon (_NET_WM_ICON) is Headroom's: its tile's colour is in it."""
        icon = subprocess.run(["xprop", "-id", window, "-notype", "-f", "_NET_WM_ICON", "32x",
                               "_NET_WM_ICON"], capture_output=True, text=True, timeout=20).stdout
        self.assertIn("0xff2f3b4c", icon)

    def test_each_show_is_a_new_program_that_ends_with_its_window(self):
        item = self.start()
        self.until("the menu", lambda: "Welcome..." in item.labels())
        self.assertEqual(mapped_web_engine(self.proc.pid), [])

        item.click("Welcome...")
        first = self.welcome()
        with open("/proc/%d/cmdline" % first) as f:
            arguments = f.read().split("\0")
        # It is told no preference file: its check box's choice comes back to the tray.
        self.assertEqual(arguments[1::2][:2], ["--promo", "--page"])
        self.window_of(first)

        # A second show closes the first window and its program.
        item.click("Welcome...")
        self.until("the first program to end", lambda: not alive(first))
        second = self.welcome()
        self.assertNotEqual(second, first)
        window = self.window_of(second)
        pump(lambda: False, 1.0)  # the web engine's processes start with the pages
        engine = [p for p, name in children(second).items() if name.startswith("WebKit")]
        self.assertTrue(engine, "the welcome program runs the web engine")

        # The user closes the window: its program ends, and the engine's processes with it.
        self.assertEqual(xdotool("windowactivate", "--sync", window).returncode, 0)
        self.assertEqual(xdotool("key", "alt+F4").returncode, 0)
        self.until("the welcome program to end", lambda: not alive(second))
        self.until("the web engine to end", lambda: not any(alive(p) for p in engine))
        self.assertEqual(children(self.proc.pid), {})
        self.assertEqual(mapped_web_engine(self.proc.pid), [])

        item.click("Quit")
        self.assertEqual(self.proc.wait(timeout=15), 0)

    def test_two_programs_saving_at_once_lose_nothing(self):
        # A check box clicked in the tray's preferences window and in the welcome window in one
        # burst of input (one xdotool run), twenty times over: the tray stores both.
        item = self.start()
        self.until("the menu", lambda: "Preferences..." in item.labels())
        item.click("Preferences...")
        preferences = []
        self.until("the preferences window", lambda: preferences.extend(xdotool(
            "search", "--onlyvisible", "--pid", str(self.proc.pid), "--name",
            "Preferences").stdout.split()) or preferences, timeout=20)
        self.assert_headroom_icon(preferences[0])
        item.click("Welcome...")
        welcome = self.window_of(self.welcome())
        # Side by side, each where the other cannot cover it.
        xdotool("windowmove", "--sync", welcome, "0", "0")
        xdotool("windowmove", "--sync", preferences[0], "880", "0")
        pump(lambda: False, 1.0)

        def client(window):
            geometry = xdotool("getwindowgeometry", "--shell", window).stdout
            return {k: int(v) for k, v in (line.split("=") for line in geometry.split())
                    if k in ("X", "Y", "WIDTH", "HEIGHT")}
        general, thanks = client(preferences[0]), client(welcome)
        # The labels of "As a percentage of memory" (General tab, fourth row) and "Do not show
        # this window again" (the welcome window's bottom row): a click there ticks the box.
        percentage = (general["X"] + 200, general["Y"] + 187)
        do_not_show = (thanks["X"] + 100, thanks["Y"] + thanks["HEIGHT"] - 47)

        saved = {}

        def holds(percent, show):
            keys = GLib.KeyFile()
            try:
                keys.load_from_file(self.config, GLib.KeyFileFlags.NONE)
                saved.update(isPercentage=keys.get_value("Preferences", "isPercentage"),
                             Show=keys.get_value("Preferences", "Show"))
            except GLib.Error:
                return False
            return saved == {"isPercentage": percent, "Show": show}

        for round in range(1, 21):
            burst = xdotool("mousemove", *map(str, percentage), "click", "1",
                            "mousemove", *map(str, do_not_show), "click", "1")
            self.assertEqual(burst.returncode, 0, burst.stderr)
            expected = ("true", "n") if round % 2 else ("false", "y")
            self.assertTrue(pump(lambda: holds(*expected), 5),
                            "round %d: the file holds %r, not %r" % (round, saved, expected))

        item.click("Quit")
        self.assertEqual(self.proc.wait(timeout=15), 0)

if __name__ == "__main__":
    test_tray.BINARY, test_tray.MEMINFO = sys.argv.pop(1), sys.argv.pop(1)
    result = unittest.main(verbosity=2, exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
