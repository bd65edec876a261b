"""End-to-end tests of the headroom binary's terminal front end, on a fixture procfs.

Run by ctest as: python3 test_cli.py <path to headroom> <TestCase>
"""

import contextlib
import json
import os
import pty
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import termios
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
PROCFS = os.path.join(HERE, "procfs")
CONFIGS = os.path.join(HERE, "config")
BINARY = None

# The fixture machine: 8 GiB installed, 2 GiB free, 3 GiB active, 1.5 GiB inactive, and
# Unevictable + SUnreclaim + KernelStack + PageTables + SecPageTables + Percpu = 155 MiB wired.
FIXTURE_ROWS = [
    "  Free: 2.00 GB",
    "  Inactive: 1.50 GB",
    "  Active: 3.00 GB",
    "  Wired: 155.00 MB",
    "  Used: 6.00 GB",
    "  Total: 8.00 GB",
]

ALL_KEYS = {"isRunOnStartUp", "isPercentage", "isShowIcon", "isShowText", "strTextSize",
            "refreshInterval", "isAutoFreeMemory", "memoryLevel", "significantThreshold",
            "pressureLevel"}


def read_key_file(path):
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                values[key] = value
    return values


def read_until(stream, wanted, timeout=10.0):
    """Reads a child's output until a line equals `wanted`; False on timeout or end of output.

    Reads the descriptor itself, so that no line waits unseen in a Python buffer."""
    import select
    deadline = time.monotonic() + timeout
    seen = b""
    while time.monotonic() < deadline:
        if wanted.encode() in seen.split(b"\n"):
            return True
        ready, _, _ = select.select([stream], [], [], max(0.0, deadline - time.monotonic()))
        if not ready:
            return False
        chunk = os.read(stream.fileno(), 65536)
        if not chunk:
            return wanted.encode() in seen.split(b"\n")
        seen += chunk
    return False


class Run:
    """One run of the binary in a private config home, with no display."""

    def __init__(self, workdir):
        self.workdir = workdir
        self.env = dict(os.environ)
        self.env.pop("DISPLAY", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["XDG_CONFIG_HOME"] = os.path.join(workdir, "xdg")

    def __call__(self, *args, stdin=subprocess.DEVNULL, timeout=20):
        return subprocess.run([BINARY, *args], env=self.env, stdin=stdin, capture_output=True,
                              text=True, timeout=timeout)


class TempDirCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="headroom-e2e-")
        self.run_binary = Run(self.tmp)

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def config_copy(self, name):
        path = os.path.join(self.tmp, name)
        shutil.copyfile(os.path.join(CONFIGS, name), path)
        return path


class TestPrint(TempDirCase):
    def test_plain_print_shows_title_and_every_row(self):
        config = os.path.join(self.tmp, "prefs.ini")
        result = self.run_binary("--print", "--procfs", PROCFS, "--config", config)
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "Title: 2.00 GB (grey)")
        # (1 - 2/8) x 11.4f in double, rounded to single precision: 8.549999f, not 8.55f.
        self.assertEqual(lines[1], "Icon: bar 8.549999 of 11.4")
        rows = [line[2:] for line in lines[3:]]
        self.assertEqual(rows[0], "Extreme Clean")
        self.assertEqual(rows[2:8], FIXTURE_ROWS)
        # No application qualifies on the fixture: no header, no application rows.
        self.assertNotIn("Significant Usage", rows)

    def test_first_run_writes_every_default_and_second_run_keeps_them(self):
        config = os.path.join(self.tmp, "sub", "prefs.ini")
        self.assertEqual(self.run_binary("--print", "--procfs", PROCFS, "--config",
                                         config).returncode, 0)
        values = read_key_file(config)
        self.assertEqual(set(values), ALL_KEYS)
        self.assertEqual(values["refreshInterval"], "5")
        self.assertEqual(values["memoryLevel"], "200")
        self.assertEqual(values["strTextSize"], "Normal")
        self.assertEqual(values["isShowIcon"], "true")
        with open(config, "rb") as f:
            first = f.read()
        self.assertEqual(self.run_binary("--print", "--procfs", PROCFS, "--config",
                                         config).returncode, 0)
        with open(config, "rb") as f:
            self.assertEqual(f.read(), first)

    def test_default_config_location_follows_xdg_config_home(self):
        result = self.run_binary("--print", "--procfs", PROCFS)
        self.assertEqual(result.returncode, 0, result.stderr)
        path = os.path.join(self.tmp, "xdg", "headroom", "preferences.ini")
        self.assertEqual(set(read_key_file(path)), ALL_KEYS)

    def test_percentage_mode_from_the_store(self):
        config = self.config_copy("percentage.ini")
        result = self.run_binary("--print", "--procfs", PROCFS, "--config", config)
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "Title: 25.00% (grey)")
        self.assertIn("  Free: 25.00%", lines[3:][2])
        self.assertIn("  Used: 75.00%", lines[3:][6])
        # The total is always an amount.
        self.assertIn("  Total: 8.00 GB", lines[3:][7])
        # The stored value is kept; the missing keys were added.
        values = read_key_file(config)
        self.assertEqual(values["isPercentage"], "true")
        self.assertEqual(set(values), ALL_KEYS)

    def test_level_above_free_memory_turns_the_title_red_and_icon_off(self):
        config = self.config_copy("lowlevel.ini")
        result = self.run_binary("--print", "--json", "--procfs", PROCFS, "--config", config)
        self.assertEqual(result.returncode, 0, result.stderr)
        out = json.loads(result.stdout)
        self.assertEqual(out["title"], {"text": "2.00 GB", "color": "red"})
        self.assertIsNone(out["icon"])


class TestJson(TempDirCase):
    def test_json_object_has_title_icon_and_menu(self):
        config = os.path.join(self.tmp, "prefs.ini")
        result = self.run_binary("--print", "--json", "--procfs", PROCFS, "--config", config)
        self.assertEqual(result.returncode, 0, result.stderr)
        out = json.loads(result.stdout)
        self.assertEqual(set(out), {"title", "icon", "menu", "available", "swap", "pressure"})
        # MemAvailable and no ZFS; no swap is 0 of 0; no pressure file is no pressure known.
        self.assertEqual((out["available"], out["swap"], out["pressure"]),
                         (5 * 2**30, {"total": 0, "used": 0}, None))
        self.assertEqual(out["title"], {"text": "2.00 GB", "color": "grey"})
        self.assertAlmostEqual(out["icon"]["barWidth"], 8.55, places=5)
        for row in out["menu"]:
            self.assertEqual(set(row), {"title", "tag", "enabled", "separator"})
            self.assertNotEqual(row["tag"], 100)
        titles = [row["title"] for row in out["menu"]]
        self.assertEqual(titles[0], "Extreme Clean")
        self.assertTrue(out["menu"][1]["separator"])
        self.assertEqual(titles[2:9], FIXTURE_ROWS + ["  Available: 5.00 GB"])
        self.assertIn("Quit", titles)

    def test_json_on_the_real_proc_reports_this_machine(self):
        result = self.run_binary("--print", "--json", "--config",
                                 os.path.join(self.tmp, "prefs.ini"))
        self.assertEqual(result.returncode, 0, result.stderr)
        out = json.loads(result.stdout)
        with open("/proc/meminfo") as f:
            total_kb = int(next(l for l in f if l.startswith("MemTotal:")).split()[1])
        total_row = [r["title"] for r in out["menu"]][7]
        self.assertEqual(total_row, "  Total: %0.2f GB" % (total_kb * 1024 / 2**30))
        self.assertGreater(out["icon"]["barWidth"], 0.0)
        self.assertLess(out["icon"]["barWidth"], 11.4)
        # This kernel reports pressure (Linux 4.20+ with PSI), and the row says the same share.
        some = out["pressure"]["some"]
        self.assertEqual(set(some), {"avg10", "avg60", "avg300"})
        self.assertIn("  Pressure: %0.2f%%" % some["avg10"], [r["title"] for r in out["menu"]])


class TestBadInput(TempDirCase):
    def assert_refused(self, result, fragment):
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stdout, "")
        lines = result.stderr.strip().splitlines()
        self.assertEqual(len(lines), 1, result.stderr)
        self.assertIn(fragment, lines[0])

    def test_unknown_option(self):
        self.assert_refused(self.run_binary("--frobnicate"), "--frobnicate")

    def test_option_without_its_value(self):
        self.assert_refused(self.run_binary("--print", "--procfs"), "--procfs")

    def test_json_without_print(self):
        self.assert_refused(self.run_binary("--json"), "--json")

    def test_missing_procfs(self):
        missing = os.path.join(self.tmp, "no-such-proc")
        self.assert_refused(self.run_binary("--print", "--procfs", missing), missing)

    def test_procfs_with_garbage_meminfo(self):
        bad = os.path.join(self.tmp, "badproc")
        os.mkdir(bad)
        with open(os.path.join(bad, "meminfo"), "w") as f:
            f.write("this is not meminfo\n\x00\x01\n")
        self.assert_refused(self.run_binary("--print", "--procfs", bad), bad)

    def test_corrupt_named_config_is_refused_and_left_alone(self):
        config = self.config_copy("corrupt.ini")
        with open(config, "rb") as f:
            before = f.read()
        self.assert_refused(self.run_binary("--print", "--procfs", PROCFS, "--config", config),
                            config)
        with open(config, "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertEqual(sorted(p for p in os.listdir(self.tmp) if p != "xdg"), ["corrupt.ini"])

    def test_corrupt_default_config_is_kept_aside_before_defaults_are_written(self):
        folder = os.path.join(self.tmp, "xdg", "headroom")
        os.makedirs(folder)
        path = os.path.join(folder, "preferences.ini")
        shutil.copyfile(os.path.join(CONFIGS, "corrupt.ini"), path)
        with open(path, "rb") as f:
            before = f.read()
        result = self.run_binary("--print", "--procfs", PROCFS)
        self.assertEqual(result.returncode, 0, result.stderr)
        backups = [p for p in os.listdir(folder) if p != "preferences.ini"]
        self.assertEqual(len(backups), 1, os.listdir(folder))
        with open(os.path.join(folder, backups[0]), "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertIn(backups[0], result.stderr)
        self.assertEqual(set(read_key_file(path)), ALL_KEYS)

    def test_help_and_version(self):
        result = self.run_binary("--help")
        self.assertEqual(result.returncode, 0)
        for option in ("--print", "--json", "--terminal", "--procfs", "--config", "--version"):
            self.assertIn(option, result.stdout)
        result = self.run_binary("--version")
        self.assertEqual(result.returncode, 0)
        self.assertRegex(result.stdout, r"^Headroom \d+\.\d+\.\d+ \(\S+\)\n$")


def make_kind(kind, path):
    """Makes `path` a file that is not a regular file: a FIFO, a device node (mknod as root;
    a link to the system's node otherwise), a link to /dev/zero, or a folder."""
    if kind == "fifo":
        os.mkfifo(path)
    elif kind in ("null", "zero"):
        minor, system = (3, "/dev/null") if kind == "null" else (5, "/dev/zero")
        try:
            os.mknod(path, 0o666 | stat.S_IFCHR, os.makedev(1, minor))
        except PermissionError:
            os.symlink(system, path)
    elif kind == "link-to-zero":
        os.symlink("/dev/zero", path)
    elif kind == "folder":
        os.mkdir(path)


class TestOutsideFiles(TempDirCase):
    KINDS = {"fifo": "a FIFO", "null": "a character device", "zero": "a character device",
             "link-to-zero": "a character device", "folder": "a folder"}

    def assert_one_line(self, result, *fragments):
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertEqual(result.stdout, "")
        lines = result.stderr.splitlines()
        self.assertEqual(len(lines), 1, result.stderr)
        for fragment in fragments:
            self.assertIn(fragment, lines[0])

    def test_files_that_are_not_regular_are_refused_at_once_and_kept(self):
        for kind, says in self.KINDS.items():
            with self.subTest(kind=kind):
                folder = os.path.join(self.tmp, kind)
                os.mkdir(folder)
                config = os.path.join(folder, "prefs.ini")
                make_kind(kind, config)
                before = os.lstat(config)
                # A FIFO or /dev/zero must neither hang nor be read: 10 s is generous.
                result = self.run_binary("--print", "--procfs", PROCFS, "--config", config,
                                         timeout=10)
                self.assert_one_line(result, config, says)
                after = os.lstat(config)
                self.assertEqual((after.st_mode, after.st_ino), (before.st_mode, before.st_ino))
                self.assertEqual(os.listdir(folder), ["prefs.ini"])

                procfs = os.path.join(folder, "proc")
                os.mkdir(procfs)
                make_kind(kind, os.path.join(procfs, "meminfo"))
                result = self.run_binary("--print", "--procfs", procfs, "--config",
                                         os.path.join(self.tmp, "fine.ini"), timeout=10)
                self.assert_one_line(result, procfs, says)

    def test_a_default_file_that_is_not_regular_leaves_the_defaults_unsaved(self):
        # A dotfile linked to /dev/null is a common way to say "keep nothing".
        default = os.path.join(self.tmp, "xdg", "headroom", "preferences.ini")
        os.makedirs(os.path.dirname(default))
        for kind in ("link-to-null", "fifo", "folder"):
            with self.subTest(kind=kind):
                if kind == "link-to-null":
                    os.symlink("/dev/null", default)
                else:
                    make_kind(kind, default)
                before = os.lstat(default)
                result = self.run_binary("--print", "--procfs", PROCFS, timeout=10)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertTrue(result.stdout.startswith("Title: 2.00 GB"), result.stdout)
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertIn(default + " is not used", result.stderr)
                after = os.lstat(default)
                self.assertEqual((after.st_mode, after.st_ino), (before.st_mode, before.st_ino))
                self.assertEqual(os.listdir(os.path.dirname(default)), ["preferences.ini"])
                (os.rmdir if kind == "folder" else os.remove)(default)


class TestImpossibleFigures(TempDirCase):
    """A substitute meminfo may say what no machine can: the output stays valid and shows no
    negative amount, no inf and no nan."""

    def procfs(self, total_kb, free_kb):
        folder = os.path.join(self.tmp, "proc-%d-%d" % (total_kb, free_kb))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(PROCFS, "meminfo")) as f:
            lines = f.read().splitlines()
        with open(os.path.join(folder, "meminfo"), "w") as f:
            for line in lines:
                if line.startswith("MemTotal:"):
                    line = "MemTotal: %d kB" % total_kb
                elif line.startswith("MemFree:"):
                    line = "MemFree: %d kB" % free_kb
                f.write(line + "\n")
        return folder

    def print_json(self, procfs, percentage):
        config = os.path.join(self.tmp, "p.ini" if percentage else "a.ini")
        with open(config, "w") as f:
            f.write("[Preferences]\nisPercentage=%s\n" % ("true" if percentage else "false"))
        result = self.run_binary("--print", "--json", "--procfs", procfs, "--config", config)
        self.assertEqual(result.returncode, 0, result.stderr)
        for word in ("inf", "nan", "-"):
            self.assertNotIn(word, result.stdout.lower())
        out = json.loads(result.stdout)
        return out, {row["title"].split(":")[0].strip(): row["title"].split(": ")[-1]
                     for row in out["menu"][2:8]}

    def test_total_below_free_and_total_zero(self):
        # 1 GiB installed but 2 GiB free: nothing is used, the bar is empty.
        out, rows = self.print_json(self.procfs(1048576, 2097152), percentage=False)
        self.assertEqual((rows["Free"], rows["Used"], rows["Total"]),
                         ("2.00 GB", "0.00 KB", "1.00 GB"))
        self.assertEqual(out["icon"]["barWidth"], 0)
        out, rows = self.print_json(self.procfs(1048576, 2097152), percentage=True)
        self.assertEqual((out["title"]["text"], rows["Free"], rows["Used"]),
                         ("100.00%", "100.00%", "0.00%"))

        # MemTotal 0: the installed memory is the kernel's own count of physical pages.
        installed = os.sysconf("SC_PHYS_PAGES") * os.sysconf("SC_PAGE_SIZE")
        out, rows = self.print_json(self.procfs(0, 2097152), percentage=False)
        self.assertEqual(rows["Total"], "%0.2f GB" % (installed / 2**30))
        out, rows = self.print_json(self.procfs(0, 2097152), percentage=True)
        self.assertEqual(rows["Free"], "%0.2f%%" % (2 * 2**30 * 100.0 / installed))


class TestTerminalView(TempDirCase):
    @contextlib.contextmanager
    def terminal(self, procfs, config):
        """The live view on pipes; killed if a check fails before it quits."""
        proc = subprocess.Popen([BINARY, "--terminal", "--procfs", procfs, "--config", config],
                                env=self.run_binary.env, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
        try:
            yield proc
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            for stream in (proc.stdin, proc.stdout, proc.stderr):
                stream.close()

    def test_keys_toggle_percentage_and_quit(self):
        config = os.path.join(self.tmp, "prefs.ini")
        with self.terminal(PROCFS, config) as proc:
            self.assertTrue(read_until(proc.stdout, "Title: 2.00 GB (grey)"))
            proc.stdin.write(b"p")
            proc.stdin.flush()
            # The refresh after the key redraws the view in percentages.
            self.assertTrue(read_until(proc.stdout, "Title: 25.00% (grey)"))
            proc.stdin.write(b"q")
            proc.stdin.flush()
            self.assertEqual(proc.wait(timeout=10), 0)
        # The toggle went through the store, as a change in the settings would.
        self.assertEqual(read_key_file(config)["isPercentage"], "true")

    def test_a_vanished_meminfo_is_logged_once_and_the_figures_marked_stale(self):
        procfs = os.path.join(self.tmp, "proc")
        shutil.copytree(PROCFS, procfs)
        config = os.path.join(self.tmp, "prefs.ini")
        with open(config, "w") as f:
            f.write("[Preferences]\nrefreshInterval=1\n")
        with self.terminal(procfs, config) as proc:
            self.assertTrue(read_until(proc.stdout, "Title: 2.00 GB (grey)"))
            os.unlink(os.path.join(procfs, "meminfo"))
            stale = "Stale: memory figures not updated (cannot open %s: No such file or " \
                    "directory)" % os.path.join(procfs, "meminfo")
            self.assertTrue(read_until(proc.stdout, stale))
            time.sleep(3.5)  # three more refreshes that fail the same way
            proc.stdin.write(b"q")
            proc.stdin.flush()
            self.assertEqual(proc.wait(timeout=10), 0)
            errors = proc.stderr.read().decode().splitlines()
        self.assertEqual([e for e in errors if "Failed to fetch vm statistics" in e],
                         ["headroom: Failed to fetch vm statistics: cannot open %s: No such "
                          "file or directory" % os.path.join(procfs, "meminfo")])

    def test_signals_end_the_view_and_give_the_terminal_back(self):
        config = os.path.join(self.tmp, "prefs.ini")
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=signal.Signals(number).name):
                master, slave = pty.openpty()
                proc = subprocess.Popen([BINARY, "--terminal", "--procfs", PROCFS, "--config",
                                         config], env=self.run_binary.env, stdin=slave,
                                        stdout=slave, stderr=subprocess.DEVNULL)
                try:
                    # The view has the keyboard once echo and line editing are off.
                    deadline = time.monotonic() + 10
                    while termios.tcgetattr(slave)[3] & termios.ECHO and \
                            time.monotonic() < deadline:
                        time.sleep(0.02)
                    self.assertFalse(termios.tcgetattr(slave)[3] & termios.ECHO)
                    proc.send_signal(number)
                    self.assertEqual(proc.wait(timeout=10), 0)
                    lflag = termios.tcgetattr(slave)[3]
                    self.assertEqual(lflag & (termios.ECHO | termios.ICANON),
                                     termios.ECHO | termios.ICANON)
                finally:
                    if proc.poll() is None:
                        proc.kill()
                        proc.wait()
                    os.close(master)
                    os.close(slave)

    def test_no_display_shows_the_view_on_a_terminal_and_refuses_anything_else(self):
        config = os.path.join(self.tmp, "prefs.ini")
        args = [BINARY, "--procfs", PROCFS, "--config", config]
        # Into a pipe a live view would grow without end: one line, status 2, nothing written.
        refused = subprocess.run(args, env=self.run_binary.env, stdin=subprocess.DEVNULL,
                                 capture_output=True, text=True, timeout=20)
        self.assertEqual((refused.returncode, refused.stdout), (2, ""))
        self.assertEqual(refused.stderr.splitlines(),
                         ["headroom: no display found and standard output is not a terminal: "
                          "use --print for one reading, or --watch to follow the figures"])
        self.assertFalse(os.path.exists(config))
        master, slave = pty.openpty()
        try:
            shown = subprocess.run(args, env=self.run_binary.env, input=b"q", stdout=slave,
                                   stderr=subprocess.PIPE, timeout=20)
            self.assertEqual((shown.returncode, shown.stderr.decode().splitlines()),
                             (0, ["headroom: no display found; showing the terminal view"]))
            self.assertIn(b"Title: 2.00 GB (grey)", os.read(master, 65536))
        finally:
            os.close(master)
            os.close(slave)


class TestWatch(TempDirCase):
    def test_a_line_per_change_until_the_output_closes_or_a_signal(self):
        procfs = os.path.join(self.tmp, "proc")
        shutil.copytree(PROCFS, procfs)
        config = os.path.join(self.tmp, "prefs.ini")
        with open(config, "w") as f:
            f.write("[Preferences]\nrefreshInterval=1\n")
        meminfo = os.path.join(procfs, "meminfo")
        breakdown = [row.strip() for row in FIXTURE_ROWS]
        ends = [("--json", "closed"), ("", signal.SIGTERM), ("", signal.SIGINT)]
        for option, end in ends:
            with self.subTest(option=option, end=str(end)):
                with open(meminfo, "r+b") as f:  # in place: the program keeps it open
                    f.write(open(os.path.join(PROCFS, "meminfo"), "rb").read())
                proc = subprocess.Popen([BINARY, "--watch", *option.split(), "--procfs", procfs,
                                         "--config", config], env=self.run_binary.env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
                try:
                    lines = [proc.stdout.readline().decode()]
                    # Free memory falls below the level (200 MB): the next refresh says so.
                    with open(meminfo, "r+b") as f:
                        f.seek(len("MemTotal:        8388608 kB\n"))
                        f.write(b"MemFree:          102400 kB\n")
                    lines.append(proc.stdout.readline().decode())
                    if end == "closed":
                        proc.stdout.close()
                    else:
                        proc.send_signal(end)
                    self.assertEqual(proc.wait(timeout=10), 0)
                finally:
                    if proc.poll() is None:
                        proc.kill()
                        proc.wait()
                    proc.stderr.close()
                    if not proc.stdout.closed:
                        proc.stdout.close()
                if option:
                    first, second = (json.loads(line) for line in lines)
                    self.assertEqual(first, {"text": "2.00 GB", "class": "normal",
                                             "percentage": 75, "tooltip": first["tooltip"]})
                    self.assertEqual(first["tooltip"].split("\n")[:6], breakdown)
                    self.assertEqual((second["text"], second["class"], second["percentage"]),
                                     ("100.00 MB", "low", 99))
                    self.assertTrue(second["tooltip"].startswith("Free: 100.00 MB\n"))
                else:
                    self.assertEqual(lines, ["2.00 GB\n", "100.00 MB\n"])


if __name__ == "__main__":
    BINARY = sys.argv.pop(1)
    unittest.main(verbosity=2)
