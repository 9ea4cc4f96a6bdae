#!/usr/bin/env python3
"""Applies the faults of faults.py one at a time, rebuilds incrementally, runs the tests, puts the
source back and writes which test caught each fault to OUT.md as a Markdown table.

Native faults: the gtest programs two at a time; when none fails, the slow ones (the fault sweep's
sample, the Chromium tests, the Node page tests). Wine faults: their ctest tests, or one scenario.
"""
import argparse
import json
import os
import re
import signal
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from faults import FAULTS

TOP = Path(__file__).resolve().parents[2]
TREES = {"native": TOP / "build/native", "win64": TOP / "build/win64"}
FAILED = re.compile(r"^\[  FAILED  \] ([\w/]+\.[\w/]+)", re.M)
WINE = "/usr/lib/wine/"
LIVE = set()  # test processes running now: ended at once on Ctrl-C


def end(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def run(name, command, deadline, **options):
    """None when `command` passes, else what caught the fault: its failed tests, or how it ended."""
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                               errors="replace", start_new_session=True, **options)
    LIVE.add(process)
    try:
        output, code = process.communicate(timeout=max(1.0, deadline - time.monotonic()))[0], process.returncode
    except subprocess.TimeoutExpired:
        end(process)
        output, code = process.communicate()[0], "time limit"
    except BaseException:
        end(process)
        raise
    finally:
        LIVE.discard(process)
    if code == 0:
        return None
    tests = sorted(set(FAILED.findall(output)))
    more = " (+%d)" % (len(tests) - 3) if len(tests) > 3 else ""
    return "%s: %s%s" % (name, ", ".join(tests[:3]), more) if tests else "%s (%s)" % (name, code)


def ctest_tests(tree):
    listed = subprocess.run(["ctest", "--test-dir", str(tree), "--show-only=json-v1"], check=True,
                            capture_output=True, text=True).stdout
    for test in json.loads(listed)["tests"]:
        yield test["name"], test.get("command", [""]), {p["name"]: p["value"] for p in test.get("properties", [])}


def gtest_programs():
    """The native tree's gtest programs and their directories: ({fast}, {slow})."""
    stages = ({}, {})
    for _, command, properties in ctest_tests(TREES["native"]):
        if command[0].startswith(str(TREES["native"])):
            slow = bool({"sweep", "html"} & set(properties.get("LABELS", [])))
            stages[slow][command[0]] = properties.get("WORKING_DIRECTORY")
    return stages


def run_two_at_a_time(programs, deadline):
    env = {k: v for k, v in os.environ.items() if k != "ZARN_SWEEP"}  # the fault sweep's default sample
    pool = ThreadPoolExecutor(2)
    try:
        return list(filter(None, pool.map(
            lambda p: run(Path(p[0]).name, [p[0], "--gtest_brief=1"], deadline, cwd=p[1], env=env),
            sorted(programs.items()))))
    except BaseException:
        for process in list(LIVE):
            end(process)
        raise
    finally:
        pool.shutdown()


def native_caught(programs, deadline):
    caught = run_two_at_a_time(programs[0], deadline)
    if caught:
        return caught
    caught = run_two_at_a_time(programs[1], deadline)
    caught.append(run("html_page_scripts", ["ctest", "--test-dir", str(TREES["native"]), "-R",
                                            "^html_page_scripts$"], deadline))
    return ["slow: " + c for c in caught if c]


def wine_env():
    return dict(os.environ, WINEPREFIX=str(TREES["win64"] / "wineprefix"), WINEDEBUG="-all")


def wine_caught(tests, deadline):
    if tests.startswith("e2e:"):  # one scenario, in the environment ctest gives the e2e test
        e2e = next(properties for name, _, properties in ctest_tests(TREES["win64"]) if name == "e2e")
        env = dict(wine_env(), **dict(item.split("=", 1) for item in e2e["ENVIRONMENT"]))
        return [run(tests, [str(TOP / "scripts/sealed"), sys.executable, "-m", "unittest", "-v", tests[4:]],
                    deadline, cwd=TOP / "tests/e2e", env=env)]
    return [run(test, ["ctest", "--test-dir", str(TREES["win64"]), "--output-on-failure", "-R", "^%s$" % test],
                deadline, env=wine_env()) for test in tests.split(",")]


def build(tree, targets=()):
    command = ["cmake", "--build", str(TREES[tree])] + (["--target", *targets] if targets else [])
    return subprocess.run(command, stdout=subprocess.DEVNULL).returncode == 0


# The test programs most likely to catch a fault in a source folder: built and run first, alone, so that
# a fault they catch costs one link instead of every test program's.
LIKELY = {"au": ["au_tests"], "config": ["config_tests"], "dialogs": ["dialogs_tests"],
          "driver": ["driver_tests", "runtimes_tests"], "foundation": ["unit_tests", "contract_tests"],
          "html_ui": ["html_ui_tests"], "ipc": ["ipc_tests"], "metrics": ["metrics_tests"],
          "msi": ["msi_tests"], "net": ["net_tests"], "platform": ["contract_tests", "unit_tests"],
          "progress": ["dialogs_tests", "ipc_tests"], "scrub": ["runtimes_tests", "removal_sequence_tests"],
          "settings": ["settings_tests"]}


def likely_programs(fault, programs, earlier):
    """The fault's catchers in an earlier table when there is one, else its folder's usual programs."""
    names = re.findall(r"(?:^|; )(?:slow: )?(\w+)(?::| \()", earlier.get(fault.id, "")) or \
        LIKELY.get(fault.file.split("/")[0], [])
    return {path: cwd for path, cwd in programs[0].items() if Path(path).name in names}


def earlier_table(path):
    rows = (line.split(" | ") for line in Path(path).read_text().splitlines() if line.startswith("| "))
    return {row[0][2:]: row[3].rstrip(" |") for row in rows if len(row) == 4}


def try_fault(fault, programs, limit, earlier):
    path = TOP / "src" / fault.file
    original = path.read_bytes()
    if original.decode().count(fault.find) != 1:
        return "fragment not found exactly once"
    try:
        path.write_text(original.decode().replace(fault.find, fault.replace))
        deadline = time.monotonic() + limit
        first = {} if fault.wine else likely_programs(fault, programs, earlier)
        if first and build("native", [Path(p).name for p in first]):
            caught = run_two_at_a_time(first, deadline)
            if caught:
                return "; ".join(caught)
        if not build("win64" if fault.wine else "native"):
            return "does not build"
        caught = wine_caught(fault.wine, deadline) if fault.wine else native_caught(programs, deadline)
        return "; ".join(filter(None, caught)) or "**not caught**"
    finally:
        path.write_bytes(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", help="the Markdown table goes here")
    parser.add_argument("--only", help="comma-separated fault ids")
    parser.add_argument("--earlier", help="a table of an earlier run: the programs that caught each fault then "
                        "are tried first")
    parser.add_argument("--limit", type=float, default=900, help="seconds of tests per fault (default 900)")
    args = parser.parse_args()
    faults = [f for f in FAULTS if not args.only or f.id in args.only.split(",")]
    signal.signal(signal.SIGTERM, signal.default_int_handler)  # the source goes back as on Ctrl-C
    trees = sorted({"win64" if f.wine else "native" for f in faults})
    if not all(build(tree) for tree in trees):
        sys.exit("mutate: the unchanged source does not build")
    programs = gtest_programs() if "native" in trees else None
    if "win64" in trees:  # as `make test-win64`: one wineserver for the whole run, the prefix started
        subprocess.run([WINE + "wineserver", "-p"], env=wine_env(), check=True)
        subprocess.run([WINE + "wine64", "cmd.exe", "/c", "exit"], env=wine_env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL)
    earlier = earlier_table(args.earlier) if args.earlier else {}
    rows = ["| id | folder | fault | caught by |", "|---|---|---|---|"]
    print("\n".join(rows), flush=True)
    start = time.monotonic()
    try:
        for fault in faults:
            folder = "/".join(fault.file.split("/")[:-1][:2])
            rows.append("| %s | %s | %s | %s |" % (fault.id, folder, fault.what, try_fault(fault, programs, args.limit,
                                                                                            earlier)))
            print(rows[-1], flush=True)
            Path(args.out).write_text("\n".join(rows) + "\n")
    finally:
        summary = "%d faults in %.0f min" % (len(rows) - 2, (time.monotonic() - start) / 60)
        Path(args.out).write_text("\n".join(rows) + "\n\n" + summary + "\n")
        if "win64" in trees:
            subprocess.run([WINE + "wineserver", "-k"], env=wine_env())
        for tree in trees:  # the trees back as the source builds them
            build(tree)
        dirty = subprocess.run(["git", "status", "--porcelain", "src"], cwd=TOP, capture_output=True,
                               text=True).stdout
        print(summary + ("; src NOT CLEAN:\n" + dirty if dirty else "; src clean"), flush=True)


if __name__ == "__main__":
    main()
