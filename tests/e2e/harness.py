"""End-to-end harness: runs kobuoffline.exe under Wine on a clean machine per scenario.

Each scenario gets its own copy of the build tree's pristine prefix (scripts/wine-clone), so no scenario sees
another's registry values or files. Seed registry values and files, run the program with a command
line, then read its exit code (through zrun.exe, which reports the full 32-bit code), its log,
registry values and files.
"""

import atexit
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from collections import namedtuple
from pathlib import Path

from virtual_screen import VirtualScreen

KOBUOFFLINE = os.environ.get("ZARN_KOBUOFFLINE", "")
LAUNCHER = os.environ.get("ZARN_LAUNCHER", "")
ZUI = os.environ.get("ZARN_ZUI", "")
# zwindow.exe: stands for a browser, recording the command line of every start in <program>.cmdline.
WINDOW_PROGRAM = os.environ.get("ZARN_WINDOW_PROGRAM", "")

# The installer's architecture, 64 or 32, as the tree that built it says. The runtime it carries has the
# same: its key is in that registry view, its folder under that architecture's program files, its
# product code carries the number; and the maker's values the installer keeps are in that view too.
BITS = int(os.environ.get("ZARN_INSTALLER_BITS", "64"))
OTHER_BITS = 96 - BITS
RUNTIME_KEY = "HKLM\\SOFTWARE\\Mendara\\Zarn Runtime Environment\\1.8.0_45"
DEFAULT_HOME = "C:\\Program Files%s\\Zarn\\kobu1.8.0_45\\" % ("" if BITS == 64 else " (x86)")
PRODUCT_CODE = "{37B35BF5-14AE-4DB5-98C5-3A9%d18045F0}" % BITS
INSTALLED_FILES = ("release", "COPYRIGHT", "bin\\kobustep.exe")
TEMPLATE = os.environ.get("ZARN_WINEPREFIX_TEMPLATE", "")
CLONE = os.environ.get("ZARN_WINE_CLONE", "")
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"

# One log record: the bracketed header line, then a tab, the level, a colon, a blank and the message.
RECORD = re.compile(
    r"\[(?P<date>\d{4}/\d\d/\d\d) (?P<time>\d\d:\d\d:\d\d\.\d{3}), (?P<module>[^\n]+?) "
    r"\(PID: (?P<pid>\d+), TID: (?P<tid>\d+)\), (?P<file>[^:\n]+):(?P<line>\d+) \((?P<function>[^\n]*)\)\]\n"
    # A message may hold line breaks of its own (some end with one): it runs to the next record.
    r"\t(?P<level>TRACE|INFO|WARNING|ERROR|UNKNOWN): (?P<message>(?:[^\n]|\n(?!\[\d{4}/|$))*)\n"
)


def parse_log(text):
    """The records of a log; raises AssertionError when anything in it is not a whole record."""
    records = []
    position = 0
    for match in RECORD.finditer(text):
        if match.start() != position:
            raise AssertionError("not a log record at offset %d: %r" % (position, text[position:position + 200]))
        records.append(match.groupdict())
        position = match.end()
    if position != len(text):
        raise AssertionError("not a log record at offset %d: %r" % (position, text[position:position + 200]))
    return records


def launched(stdout, stderr, returncode=None):
    """The result of a program run through the launcher, which prints its full exit code."""
    match = re.search(r"exit code: (-?\d+)", stdout)
    if not match:
        raise AssertionError("the launcher reported no exit code (wine ended with %s): %r %r"
                             % (returncode, stdout, stderr))
    return RunResult(int(match.group(1)), stdout, stderr)


def drained(stream):
    """What a pipe of an ended process holds, without waiting for writers it passed the pipe on to."""
    os.set_blocking(stream.fileno(), False)
    chunks = []
    try:
        while chunk := os.read(stream.fileno(), 65536):
            chunks.append(chunk)
    except BlockingIOError:
        pass
    stream.close()
    return b"".join(chunks).decode("utf-8", errors="replace")


_screen = []  # the one virtual X display of every scenario that shows windows: started on first use


def screen_display():
    if not _screen:
        _screen.append(VirtualScreen())
        atexit.register(_screen[0].close)
    if _screen[0].ended():
        raise AssertionError(_screen[0].ended())
    return _screen[0].display


RunResult = namedtuple("RunResult", "exit_code stdout stderr")


class Machine:
    """A clean Wine machine for one scenario."""

    def __init__(self, screen=False):
        """With `screen`, windows show on the shared virtual display: the prefix's wineserver starts under
        it, and without a window manager Wine draws its own frames."""
        if not (KOBUOFFLINE and LAUNCHER and TEMPLATE and CLONE):
            raise unittest.SkipTest("run through ctest in a Windows tree")
        self.root = tempfile.mkdtemp(prefix="zarn-e2e-")
        self.prefix = os.path.join(self.root, "prefix")
        subprocess.run([CLONE, TEMPLATE, self.prefix], check=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("DISPLAY", None)
        if screen:
            self.env["DISPLAY"] = screen_display()
            for name in ("Managed", "Decorated"):
                self.reg_add("HKCU\\Software\\Wine\\X11 Driver", name, "N", view=64)
        self.installer = self.windows_path_of(KOBUOFFLINE)

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.root, ignore_errors=True)

    # --- paths -------------------------------------------------------------------------------

    @staticmethod
    def windows_path_of(host_path):
        """Wine maps the host's root to drive Z:."""
        return "Z:" + os.path.abspath(host_path).replace("/", "\\")

    def host_path(self, windows_path):
        """Where a C: path of this machine lives on the host (case-insensitive lookup)."""
        drive, rest = windows_path[:2], windows_path[3:]
        if drive.upper() != "C:":
            raise ValueError("only drive C: is mapped: " + windows_path)
        current = os.path.join(self.prefix, "drive_c")
        for part in [p for p in rest.split("\\") if p]:
            names = {n.lower(): n for n in os.listdir(current)} if os.path.isdir(current) else {}
            current = os.path.join(current, names.get(part.lower(), part))
        return current

    def user_name(self):
        """The Windows user Wine made for this host user (its profile folder's name)."""
        users = [n for n in os.listdir(os.path.join(self.prefix, "drive_c", "users")) if n.lower() != "public"]
        wanted = os.environ.get("USER", "")
        return wanted if wanted in users else sorted(users)[0]

    def temp_dir(self):
        return "C:\\users\\%s\\Temp" % self.user_name()

    # --- running ------------------------------------------------------------------------------

    def wine(self, *args, check=True):
        """Runs a Windows program to its end. Its output is read once it has ended (`drained`): a process
        Wine starts on its behalf, such as the desktop's, may keep the output open."""
        process = subprocess.Popen([WINE, *args], env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        process.wait(timeout=300)
        completed = subprocess.CompletedProcess(process.args, process.returncode, drained(process.stdout),
                                                drained(process.stderr))
        if check and completed.returncode != 0:
            raise AssertionError("wine %s failed (%d): %s" % (" ".join(args), completed.returncode, completed.stderr))
        return completed

    def start(self, host_program, *arguments):
        """Starts a Windows program of the build tree in the background; returns the process."""
        return subprocess.Popen([WINE, self.windows_path_of(host_program), *arguments], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)

    def run_installer(self, *arguments):
        """Runs kobuoffline.exe with the arguments; returns its full exit code and output."""
        return self.run_program(self.installer, *arguments)

    def start_installer(self, *arguments):
        """Starts kobuoffline.exe in the background, through the launcher; finish() waits for it."""
        return subprocess.Popen([WINE, self.windows_path_of(LAUNCHER), self.installer, *arguments], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def finish(self, process, timeout=300):
        """The full exit code of a program started in the background. Its output is read once it has ended:
        a program it started in turn (a browser) keeps the output open for as long as it runs."""
        process.wait(timeout=timeout)
        return launched(*[drained(stream) for stream in (process.stdout, process.stderr)])

    def zui(self, *commands):
        """Runs zui.exe with the commands; returns what it read as (name, value) pairs in order."""
        completed = self.wine(self.windows_path_of(ZUI), *[str(c) for c in commands], check=False)
        pairs = [tuple(line.split(": ", 1)) for line in completed.stdout.splitlines() if ": " in line]
        if completed.returncode != 0:
            raise AssertionError("zui %s failed: %s%s" % (" ".join(str(c) for c in commands), completed.stdout,
                                                           _screen[0].ended() if _screen else ""))
        return pairs

    def run_program(self, program, *arguments):
        """Runs a Windows program (a path or a name on the search path); returns its full exit code and output.
        The launcher prints on every path it takes, so a run that printed nothing never got to start the
        program (it happened once in many runs under load): that start is tried once more."""
        completed = self.wine(self.windows_path_of(LAUNCHER), program, *arguments, check=False)
        if not completed.stdout and not completed.stderr:
            print("the launcher printed nothing (wine ended with %s): starting %s again" % (completed.returncode,
                  program), file=sys.stderr)
            completed = self.wine(self.windows_path_of(LAUNCHER), program, *arguments, check=False)
        return launched(completed.stdout, completed.stderr, completed.returncode)

    # --- registry -----------------------------------------------------------------------------

    def reg_add(self, key, name, value, kind="REG_SZ", view=64):
        """Sets a value; the name "" is the key's default value."""
        named = ["/v", name] if name else ["/ve"]
        self.wine("reg", "add", key, *named, "/t", kind, "/d", str(value), "/f", "/reg:%d" % view)

    def reg_key_exists(self, key, view=64):
        return self.wine("reg", "query", key, "/reg:%d" % view, check=False).returncode == 0

    def reg_query(self, key, name, view=64):
        """The value's data as text, or None when the key or value is missing."""
        completed = self.wine("reg", "query", key, "/v", name, "/reg:%d" % view, check=False)
        if completed.returncode != 0:
            return None
        for line in completed.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == name.lower() and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    # --- files --------------------------------------------------------------------------------

    def write_file(self, windows_path, content):
        host = self.host_path(windows_path)
        os.makedirs(os.path.dirname(host), exist_ok=True)
        Path(host).write_bytes(content if isinstance(content, bytes) else content.encode("utf-8"))

    def read_file(self, windows_path):
        host = self.host_path(windows_path)
        return Path(host).read_bytes().decode("utf-8", errors="replace") if os.path.exists(host) else None

    def log(self):
        return self.read_file(self.temp_dir() + "\\zusched.log") or ""


def installers(*bits):
    """The installers a scenario (a class or one test) runs against: the x64 one alone unless marked, since
    most of what it does is the same for both; marked (64, 32) where the architecture changes what happens,
    (32,) for what only the x86 installer does. Each tree's tier runs its own installer."""

    def mark(scenario):
        scenario.installers = bits
        return scenario

    return mark


class Scenario(unittest.TestCase):
    """A test case whose every test runs on a fresh machine; with `screen`, on the shared virtual display."""

    installers = (64,)
    screen = False

    def setUp(self):
        wanted = getattr(getattr(self, self._testMethodName), "installers", self.installers)
        if BITS not in wanted:
            self.skipTest("not a scenario of the %d-bit installer" % BITS)
        self.machine = Machine(screen=self.screen)
        self.addCleanup(self.machine.close)

    def messages(self, since=0):
        """The messages of the log's records, from offset `since` of its text on."""
        return [r["message"] for r in parse_log(self.machine.log()[since:])]

    def assertExits(self, code, *arguments):
        """Runs the installer with the arguments; its exit code must be `code`."""
        self.assertEqual(self.machine.run_installer(*arguments).exit_code, code, self.machine.log())

    def assertFinishes(self, process, code=0, timeout=300):
        """A run started in the background must end with `code`."""
        self.assertEqual(self.machine.finish(process, timeout).exit_code, code, self.machine.log())

    def install_browser(self, folder, name):
        """A copy of zwindow.exe as folder\\name; returns its Windows path."""
        program = folder + "\\" + name
        os.makedirs(os.path.dirname(self.machine.host_path(program)), exist_ok=True)
        shutil.copyfile(WINDOW_PROGRAM, self.machine.host_path(program))
        return program

    def default_browser(self):
        """A copy of zwindow.exe that opens ".html" (Wine asks only the machine's classes); returns its path."""
        program = self.install_browser("C:\\ZarnBrowsers\\Default", "zbrowser.exe")
        self.machine.reg_add("HKLM\\Software\\Classes\\.html", "", "ZarnTestPage")
        self.machine.reg_add("HKLM\\Software\\Classes\\ZarnTestPage\\shell\\open\\command", "", '"%s" "%%1"' % program)
        return program

    def command_lines(self, program, count):
        """The command lines `program` was started with, once there are `count` of them (or after 20 s)."""
        for _ in range(200):
            lines = (self.machine.read_file(program + ".cmdline") or "").splitlines()
            if len(lines) >= count:
                return lines
            time.sleep(0.1)
        return lines

    def assertInstalledAt(self, home):
        for name in INSTALLED_FILES:
            self.assertTrue(os.path.exists(self.machine.host_path(home + name)), home + name)
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY, "ZarnHome", view=BITS), home)
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY, "BuildNumber", view=BITS), "15")
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY + "\\MSI", "FullVersion", view=BITS), "1.8.0_45-b15")

    def assertLogged(self, records, level, message):
        for record in records:
            if record["level"] == level and record["message"] == message:
                return record
        self.fail("no %s record %r in:\n%s" % (level, message, "\n".join(r["message"] for r in records)))
