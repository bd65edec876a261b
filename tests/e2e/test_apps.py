"""End-to-end tests of the running applications' rows, on a fixture procfs with processes and
fixture XDG data folders with desktop entries (tests/e2e/apps, described in its README.md).

Run by ctest as: python3 test_apps.py <path to headroom> <TestCase>
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURE = os.path.join(HERE, "apps")
BINARY = None

APPLICATION_ROW_TAG = 100
# After the breakdown, Total and Available (the fixture has no swap and no pressure file).
SEPARATOR_INDEX = 9
HEADER_INDEX = 10
FIRST_ROW_INDEX = 11

# Largest first: the editor (500 MiB, 6.10 %), the browser's three processes (200 MiB, 2.44 %),
# the terminal server (170 MiB, 2.08 %). Everything else is below 2 % or not regular.
ROWS = {
    "de_DE.UTF-8": ["  Texteditor", "  Firefox ESR (Erweitert)", "  Terminalfenster"],
    "C": ["  Text Editor", "  Firefox ESR", "  Terminal"],
    "fr_FR.UTF-8": ["  Éditeur de texte", "  Firefox ESR (longue durée)",
                    "  Terminal de commande"],
}


class AppsCase(unittest.TestCase):
    """Runs the binary on a private copy of the fixture, owned by whoever runs the tests."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="headroom-e2e-apps-")
        self.root = os.path.join(self.tmp, "apps")
        shutil.copytree(FIXTURE, self.root)
        self.procfs = os.path.join(self.root, "procfs")
        self.rescale_statm()
        self.env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "LC_ALL", "LC_MESSAGES", "LANGUAGE"):
            self.env.pop(name, None)
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.tmp, "xdg")
        self.env["XDG_DATA_HOME"] = os.path.join(self.root, "home")
        self.env["XDG_DATA_DIRS"] = os.path.join(self.root, "data")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def rescale_statm(self):
        """The fixture's statm counts 4 KiB pages; keep the sizes on other page sizes."""
        page = os.sysconf("SC_PAGE_SIZE")
        if page == 4096:
            return
        for name in os.listdir(self.procfs):
            path = os.path.join(self.procfs, name, "statm")
            if name.isdigit() and os.path.exists(path):
                with open(path) as f:
                    fields = [int(v) for v in f.read().split()]
                with open(path, "w") as f:
                    f.write(" ".join(str(v * 4096 // page) for v in fields) + "\n")

    def write_config(self, text):
        path = os.path.join(self.tmp, "prefs.ini")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def run_json(self, lang="de_DE.UTF-8", config=None, **env):
        run_env = dict(self.env, LANG=lang, **env)
        config = config or os.path.join(self.tmp, "prefs.ini")
        result = subprocess.run(
            [BINARY, "--print", "--json", "--procfs", self.procfs, "--config", config],
            env=run_env, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=20)
        self.assertEqual(result.returncode, 0, result.stderr)
        return json.loads(result.stdout)["menu"]

    def application_rows(self, menu):
        return [row for row in menu if row["tag"] == APPLICATION_ROW_TAG]

    def assert_rows(self, menu, titles):
        self.assertTrue(menu[SEPARATOR_INDEX]["separator"], menu[SEPARATOR_INDEX])
        self.assertEqual(menu[HEADER_INDEX]["title"], "Significant Usage")
        self.assertNotEqual(menu[HEADER_INDEX]["tag"], APPLICATION_ROW_TAG)
        rows = menu[FIRST_ROW_INDEX:FIRST_ROW_INDEX + len(titles)]
        self.assertEqual([row["title"] for row in rows], titles)
        for row in rows:
            self.assertEqual(row["tag"], APPLICATION_ROW_TAG)
            self.assertFalse(row["enabled"])
            self.assertFalse(row["separator"])
        # No other row carries the tag; the next one is not an application.
        self.assertEqual(len(self.application_rows(menu)), len(titles))
        self.assertNotEqual(menu[FIRST_ROW_INDEX + len(titles)]["tag"], APPLICATION_ROW_TAG)


class TestApps(AppsCase):
    def test_significant_applications_largest_first_with_german_names(self):
        self.assert_rows(self.run_json("de_DE.UTF-8"), ROWS["de_DE.UTF-8"])

    def test_unlocalized_names_under_the_c_locale(self):
        self.assert_rows(self.run_json("C"), ROWS["C"])
        self.assert_rows(self.run_json("C.UTF-8"), ROWS["C"])

    def test_a_language_without_translations_falls_back_to_the_plain_names(self):
        self.assert_rows(self.run_json("ja_JP.UTF-8"), ROWS["C"])

    def test_lc_all_and_lc_messages_come_before_lang(self):
        self.assert_rows(self.run_json("de_DE.UTF-8", LC_ALL="fr_FR.UTF-8"), ROWS["fr_FR.UTF-8"])
        self.assert_rows(self.run_json("de_DE.UTF-8", LC_MESSAGES="fr_FR.UTF-8"),
                         ROWS["fr_FR.UTF-8"])
        # A country variant without its own names takes the language's.
        self.assert_rows(self.run_json("de_AT.UTF-8"), ROWS["de_DE.UTF-8"])

    def test_threshold_from_the_preferences(self):
        config = self.write_config("[Preferences]\nsignificantThreshold=5\n")
        self.assert_rows(self.run_json(config=config), ["  Texteditor"])
        config = self.write_config("[Preferences]\nsignificantThreshold=0\n")
        menu = self.run_json(config=config)
        # Every regular application now: the calculator joins last; hidden, NoDisplay and
        # unknown ones still do not appear, nor do processes of no application.
        self.assert_rows(menu, ROWS["de_DE.UTF-8"] + ["  Taschenrechner"])

    def test_no_qualifying_application_leaves_out_the_header(self):
        config = self.write_config("[Preferences]\nsignificantThreshold=50\n")
        menu = self.run_json(config=config)
        self.assertEqual(self.application_rows(menu), [])
        self.assertNotIn("Significant Usage", [row["title"] for row in menu])

    def test_application_rows_in_the_plain_print(self):
        result = subprocess.run(
            [BINARY, "--print", "--procfs", self.procfs, "--config",
             os.path.join(self.tmp, "prefs.ini")],
            env=dict(self.env, LANG="C"), stdin=subprocess.DEVNULL, capture_output=True,
            text=True, timeout=20)
        self.assertEqual(result.returncode, 0, result.stderr)
        text = result.stdout
        positions = [text.find(title) for title in ["Significant Usage"] + ROWS["C"]]
        self.assertNotIn(-1, positions, text)
        self.assertEqual(positions, sorted(positions), text)

    def test_control_characters_in_names_are_shown_not_obeyed(self):
        # A Name that would set the terminal's title, clear the screen and fake a title line.
        entry = os.path.join(self.root, "data", "applications", "org.gnome.gedit.desktop")
        with open(entry, "rb") as f:
            text = f.read()
        with open(entry, "wb") as f:
            f.write(text.replace(b"Name=Text Editor",
                                 b"Name=Evil\x1b]0;pwned\x07\x1b[2J\xc2\x9b1mTitle: 9.99 GB"))
        shown = r"    Evil\x1b]0;pwned\x07\x1b[2J\u009b1mTitle: 9.99 GB"
        config = os.path.join(self.tmp, "prefs.ini")
        env = dict(self.env, LANG="C.UTF-8")
        for mode in (["--print"], ["--terminal"]):
            with self.subTest(mode=mode[0]):
                result = subprocess.run([BINARY, *mode, "--procfs", self.procfs, "--config",
                                         config], env=env, input=b"q", capture_output=True,
                                        timeout=20)
                self.assertEqual(result.returncode, 0, result.stderr)
                for control in (b"\x1b", b"\x07", b"\xc2\x9b"):
                    self.assertNotIn(control, result.stdout)
                self.assertIn(shown, result.stdout.decode().splitlines())
        # JSON keeps the name itself, escaped as JSON escapes it.
        titles = [row["title"] for row in self.run_json("C.UTF-8", config=config)]
        self.assertIn("  Evil\x1b]0;pwned\x07\x1b[2J\x9b1mTitle: 9.99 GB", titles)

    def test_without_data_folders_no_application_is_regular(self):
        empty = os.path.join(self.tmp, "empty")
        os.mkdir(empty)
        menu = self.run_json(XDG_DATA_HOME=empty, XDG_DATA_DIRS=empty)
        self.assertEqual(self.application_rows(menu), [])


if __name__ == "__main__":
    BINARY = sys.argv.pop(1)
    unittest.main(verbosity=2)
