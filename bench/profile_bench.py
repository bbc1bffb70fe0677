#!/usr/bin/env python3
"""How fast the host build patches a machine with many Firefox profiles, against a minimal
program doing the same file work and against a plain shell.

Builds a machine folder from the sample XP machine with 200 accounts of 20 profile
folders each, 4 levels deep, the extension component in some of them; then runs, round by
round, LocksmerePatch /s on it, the lower bound (profile_lower_bound: the same renames,
copies, profile walk and marker in plain C with nftw/open/write) and `find ... -exec cp`
making the same copies. It prints the CPU time (user + sys) of each and the two ratios,
then how the program scales: CPU time per account from 100 to 3,000 accounts, and one
profile tree 1,200 folders deep.

  bench/profile_bench.py PROGRAM LOWER_BOUND [--users 200] [--profiles 20] [--rounds 3]
                         [--no-scaling]

Both programs should be optimised builds without sanitizers (scripts/bench builds them).
"""

import argparse
import os
import resource
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tools"))
from component_files import browser_component, component_files  # noqa: E402

EXAMPLE = ROOT / "examples" / "xp-machine"
COMPONENT = browser_component()
PROFILES = "Documents and Settings/{user}/Application Data/Mozilla/Firefox/Profiles"
INSTALL_DIR = "Program Files/Arvenne/Velmora/Locksmere"
PATCH_DIR = "Velmora Patch"
NEW_COMPONENT = f"{PATCH_DIR}/{component_files()[-1]}"
SCALING_USERS = (100, 300, 1000, 3000)
SCALING_PROFILES = 2
DEEP_LEVELS = 1200


def remove(folder):
    # rm, not shutil.rmtree: the deep tree is deeper than Python's recursion limit.
    subprocess.run(["rm", "-rf", str(folder)], check=True)


def start_machine(folder, users):
    shutil.copytree(EXAMPLE, folder)
    shutil.rmtree(folder / "drive_c" / "Documents and Settings")
    names = [f"user{n:04d}" for n in range(1, users + 1)]
    ini = (folder / "machine.ini").read_text()
    ini = ini.split("[accounts]")[0] + "[accounts]\n" + "".join(f"{n} = normal\n" for n in names)
    (folder / "machine.ini").write_text(ini)
    return [folder / "drive_c" / PROFILES.format(user=name) for name in names]


def build_machine(folder, users, profiles):
    copies = 0
    for u, root in enumerate(start_machine(folder, users)):
        for p in range(profiles):
            # Four levels below the profile root; the component in every third profile,
            # beside files the search must pass over.
            deep = root / f"p{p:02d}.default" / "extensions" / f"{{ext-{p}}}" / "components"
            deep.mkdir(parents=True)
            (deep.parent / "install.rdf").write_text("<RDF/>\n")
            (root / f"p{p:02d}.default" / "prefs.js").write_text("// prefs\n")
            if (u + p) % 3 == 0:
                (deep / COMPONENT).write_text("old component\n")
                copies += 1
    return copies


def build_deep_machine(folder, levels):
    """One account whose profile folder is a chain of one-letter folders, the component at
    its foot: far past what a Windows path without the \\\\?\\ prefix can name."""
    (root,) = start_machine(folder, 1)
    deep = str(root)
    os.makedirs(deep)
    for _ in range(levels):
        deep += "/d"
        os.mkdir(deep)
    Path(deep, COMPONENT).write_text("old component\n")


class Run:
    """One program's wall and CPU time (user + sys of it and its children)."""

    def __init__(self, command, cwd):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        started = time.perf_counter()
        subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                       env={"QOR_MACHINE": str(cwd.parents[1]), "PATH": "/usr/bin:/bin"})
        self.wall = time.perf_counter() - started
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        self.cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def shell_command(folder):
    drive_c = folder / "drive_c"
    install = drive_c / INSTALL_DIR
    # What the patch does, as a shell would do it: rename and copy the seven files, then
    # find every copy of the component below the profile roots and overwrite it.
    files = " ".join(shlex.quote(f) for f in component_files())
    script = f"""
set -e
for f in {files}; do
    mv -n "{install}/$f" "{install}/$f.bak" 2>/dev/null || true
    cp -f "$f" "{install}/$f"
done
find "{drive_c}/Documents and Settings"/*/"Application Data/Mozilla/Firefox/Profiles" \\
    -name {COMPONENT} -type f -exec cp -f "{drive_c / NEW_COMPONENT}" {{}} \\;
"""
    return ["bash", "-c", script]


def median_runs(commands, folder, rounds):
    """Each command's median wall and CPU time; the registry is reset before each round so
    that every run finds the patch not yet applied."""
    registry = (folder / "registry.reg").read_bytes()
    cwd = folder / "drive_c" / PATCH_DIR
    runs = {name: [] for name in commands}
    for _ in range(rounds):
        for name, command in commands.items():
            (folder / "registry.reg").write_bytes(registry)
            runs[name].append(Run(command, cwd))
    return {name: (statistics.median(r.wall for r in rs), statistics.median(r.cpu for r in rs))
            for name, rs in runs.items()}


def updated_copies(folder):
    return sum(1 for f in (folder / "drive_c").rglob(COMPONENT)
               if f.read_text() != "old component\n") - 2


def compare(args, work):
    folder = work / "machine"
    copies = build_machine(folder, args.users, args.profiles)
    times = median_runs({"program": [args.program, "/s"], "lower": [args.lower_bound, folder],
                         "shell": shell_command(folder)}, folder, args.rounds)
    print(f"machine: {args.users} accounts x {args.profiles} profile folders, "
          f"{copies} copies of the component ({updated_copies(folder)} hold the new one); "
          f"medians of {args.rounds}")
    print(f"{'':22} {'wall s':>8} {'cpu s':>8}")
    for name, label in (("program", "LocksmerePatch /s"), ("lower", "lower bound (C)"),
                        ("shell", "find + cp")):
        print(f"{label:22} {times[name][0]:8.3f} {times[name][1]:8.3f}")
    program, lower, shell = times["program"], times["lower"], times["shell"]
    print(f"cpu vs lower bound:    {program[1] / lower[1]:.2f}x (target <= 1.5x)")
    print(f"wall vs find + cp:     {program[0] / shell[0]:.2f}x")
    remove(folder)


def scaling(args, work):
    print(f"\nscaling: {SCALING_PROFILES} profile folders per account; cpu per account in ms")
    print(f"{'accounts':>8} {'program s':>10} {'lower s':>9} {'program/acct':>13} "
          f"{'lower/acct':>11} {'ratio':>6}")
    for users in SCALING_USERS:
        folder = work / f"scale{users}"
        build_machine(folder, users, SCALING_PROFILES)
        times = median_runs({"program": [args.program, "/s"],
                             "lower": [args.lower_bound, folder]}, folder, args.rounds)
        program, lower = times["program"][1], times["lower"][1]
        print(f"{users:8} {program:10.3f} {lower:9.3f} {1000 * program / users:13.3f} "
              f"{1000 * lower / users:11.3f} {program / max(lower, 1e-6):6.2f}")
        remove(folder)

    folder = work / "deep"
    build_deep_machine(folder, DEEP_LEVELS)
    times = median_runs({"program": [args.program, "/s"], "lower": [args.lower_bound, folder]},
                        folder, args.rounds)
    print(f"\none profile tree {DEEP_LEVELS} folders deep (wall s, cpu s):")
    print(f"  LocksmerePatch /s {times['program'][0]:.3f} {times['program'][1]:.3f}; "
          f"lower bound {times['lower'][0]:.3f} {times['lower'][1]:.3f}")
    remove(folder)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program", type=lambda p: str(Path(p).resolve()))
    parser.add_argument("lower_bound", type=lambda p: str(Path(p).resolve()))
    parser.add_argument("--users", type=int, default=200)
    parser.add_argument("--profiles", type=int, default=20)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--no-scaling", action="store_true",
                        help="only the comparison, without the scaling table")
    args = parser.parse_args()

    work = Path(tempfile.mkdtemp(prefix="qor-bench-"))
    try:
        compare(args, work)
        if not args.no_scaling:
            scaling(args, work)
    finally:
        remove(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
