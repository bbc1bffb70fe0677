#!/usr/bin/env python3
"""How fast the host build patches a machine with many Firefox profiles, against a plain
shell doing the same copies.

Builds a machine folder from the sample XP machine with 200 accounts of 20 profile
folders each, 4 levels deep, the extension component in some of them; then times, in the
same run, LocksmerePatch /s on it and the baseline `find ... -exec cp` making the same
profile copies (plus the program files' renames and copies), and prints the ratio.

  bench/profile_bench.py PROGRAM [--users 200] [--profiles 20] [--rounds 3]

PROGRAM should be an optimised build without sanitizers (scripts/bench builds one).
"""

import argparse
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
EXAMPLE = ROOT / "examples" / "xp-machine"
COMPONENT = "qorlks_moz_xpcom.dll"
PROFILES = "Documents and Settings/{user}/Application Data/Mozilla/Firefox/Profiles"
INSTALL_DIR = "Program Files/Arvenne/Velmora/Locksmere"
PATCH_DIR = "Velmora Patch"
NEW_COMPONENT = f"{PATCH_DIR}/LKS FireFox Extension/Components/{COMPONENT}"


def build_machine(folder, users, profiles):
    shutil.copytree(EXAMPLE, folder)
    drive_c = folder / "drive_c"
    shutil.rmtree(drive_c / "Documents and Settings")
    names = [f"user{n:03d}" for n in range(1, users + 1)]
    ini = (folder / "machine.ini").read_text()
    ini = ini.split("[accounts]")[0] + "[accounts]\n" + "".join(f"{n} = normal\n" for n in names)
    (folder / "machine.ini").write_text(ini)
    copies = 0
    for u, name in enumerate(names):
        root = drive_c / PROFILES.format(user=name)
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


def reset_machine(folder, registry):
    (folder / "registry.reg").write_bytes(registry)


def time_patch(program, folder):
    started = time.perf_counter()
    subprocess.run([str(program), "/s"], cwd=folder / "drive_c" / PATCH_DIR, check=True,
                   env={"QOR_MACHINE": str(folder), "PATH": "/usr/bin:/bin"})
    return time.perf_counter() - started


def time_baseline(folder):
    drive_c = folder / "drive_c"
    install = drive_c / INSTALL_DIR
    # What the patch does, as a shell would do it: rename and copy the seven files, then
    # find every copy of the component below the profile roots and overwrite it.
    script = f"""
set -e
cd "{drive_c / PATCH_DIR}"
for f in qorlks_interface.dll qorlks_keyboard_hook.dll qorlks_windows_hook.dll \\
         qorlks_moz_xpi.xpi locksmere.exe qorlks_ie_com.dll \\
         "LKS FireFox Extension/Components/qorlks_moz_xpcom.dll"; do
    mv -n "{install}/$f" "{install}/$f.bak" 2>/dev/null || true
    cp -f "$f" "{install}/$f"
done
find "{drive_c}/Documents and Settings"/*/"Application Data/Mozilla/Firefox/Profiles" \\
    -name {COMPONENT} -type f -exec cp -f "{drive_c / NEW_COMPONENT}" {{}} \\;
"""
    started = time.perf_counter()
    subprocess.run(["bash", "-c", script], check=True)
    return time.perf_counter() - started


def time_search_only(folder):
    """The search without the copies: how much of the baseline is starting cp."""
    profiles = folder / "drive_c" / "Documents and Settings"
    started = time.perf_counter()
    subprocess.run(["find", str(profiles), "-name", COMPONENT, "-type", "f"], check=True,
                   stdout=subprocess.DEVNULL)
    return time.perf_counter() - started


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program")
    parser.add_argument("--users", type=int, default=200)
    parser.add_argument("--profiles", type=int, default=20)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()

    work = Path(tempfile.mkdtemp(prefix="qor-bench-"))
    try:
        folder = work / "machine"
        copies = build_machine(folder, args.users, args.profiles)
        registry = (folder / "registry.reg").read_bytes()
        patch_times, shell_times, search_times = [], [], []
        for _ in range(args.rounds):
            reset_machine(folder, registry)
            patch_times.append(time_patch(Path(args.program).resolve(), folder))
            shell_times.append(time_baseline(folder))
            search_times.append(time_search_only(folder))
        updated = sum(1 for f in (folder / "drive_c").rglob(COMPONENT)
                      if f.read_text() != "old component\n") - 2
        patch, shell = statistics.median(patch_times), statistics.median(shell_times)
        print(f"machine: {args.users} accounts x {args.profiles} profile folders, "
              f"{copies} copies of the component ({updated} hold the new one)")
        print(f"LocksmerePatch /s: {patch:.3f} s (median of {args.rounds})")
        print(f"find + cp:         {shell:.3f} s (median of {args.rounds})")
        print(f"ratio:             {patch / shell:.2f}x (target <= 1.3x)")
        print(f"(find alone, no copies: {statistics.median(search_times):.3f} s)")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
