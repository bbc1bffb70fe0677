#!/usr/bin/env python3
"""End-to-end runs of LocksmerePatch as a user would make them, on a copy of the sample
Windows XP machine in examples/xp-machine.

  run_e2e.py host PROGRAM [CASE...]
      the host build against a machine folder; dialogs answer from machine.ini.
  run_e2e.py wine PROGRAM.exe --idle IDLE.exe [--win64] [CASE...]
      the Windows build in a private Wine prefix filled from the same files; interactive
      cases run on an Xvfb display with xdotool pressing the buttons, and are skipped
      (visibly) where no display server can be had.
  run_e2e.py --list
      the case names, one a line (ctest takes the host cases from it).

The machines are in e2e_machines.py, the registry file editor in reg_file.py.

Without CASE every case runs. The exit code is 0 when every case that ran passed.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from e2e_machines import (ALREADY_APPLIED, ENTRIES, INSTALL_DIR, LOG_FOLDER, LOGS_KEY,
                          NOT_ELIGIBLE, PATCH_DIR, REPLACE_FAILED, ROOT, STOP_FAILED, SUCCESS,
                          SUITE_KEY, CaseFailed, CaseSkipped, HostMachine, WineMachine, check,
                          program_string, start_display)

# ---------------------------------------------------------------------------------------
# The cases. Each gets a machine in the sample's state and raises CaseFailed on a fault.

def expect_untouched(machine, message):
    for entry in ENTRIES:
        check(machine.backup(entry) is None, f"{message}: {entry}.bak exists")
        check("(old)" in (machine.installed(entry) or ""), f"{message}: {entry} changed")
    for user in machine.profile_users():
        check("(old" in (machine.profile_component(user) or ""),
              f"{message}: {user}'s profile changed")
    check(machine.value(SUITE_KEY, "FirefoxPatch") in (None, 0), f"{message}: marker written")


def expect_patched(machine, vista=False):
    check(machine.value(SUITE_KEY, "FirefoxPatch") == 1, "marker FirefoxPatch is not 1")
    for entry in ENTRIES:
        check("(new)" in (machine.installed(entry) or ""), f"{entry} was not replaced")
        check("(old)" in (machine.backup(entry) or ""), f"{entry}.bak does not hold the old file")
    for user in machine.profile_users():
        check("(new)" in (machine.profile_component(user, vista) or ""),
              f"{user}'s profile component was not updated")


def case_silent_success(machine, target):
    run = machine.run(["/s"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    check(run.boxes == [], f"silent run showed {run.texts()}")
    check(run.restart is None, "silent run asked for a restart")
    expect_patched(machine)


def case_suite_version_80(machine, target):
    machine.set_value(SUITE_KEY, "Version", "8.0.0.311")
    run = machine.run([], answers=["OK", "OK"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    check(run.texts() == [program_string(1033, 104), NOT_ELIGIBLE], f"boxes {run.texts()}")
    expect_untouched(machine, "suite 8.0")


def case_marker_already_set(machine, target):
    machine.set_value(SUITE_KEY, "FirefoxPatch", 1)
    component = machine.start_component("locksmere.exe")
    run = machine.run([], answers=["OK", "OK"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    check(run.texts() == [program_string(1033, 104), ALREADY_APPLIED], f"boxes {run.texts()}")
    check(component.poll() is None, "locksmere.exe was stopped although the patch was applied")
    for entry in ENTRIES:
        check(machine.backup(entry) is None, f"{entry} was touched")


def case_missing_source_file(machine, target):
    machine.remove_patch_file(ENTRIES[3])
    run = machine.run([], answers=["OK", "OK"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    # The entries before it were only staged: nothing at all has changed.
    expect_replace_failed(run, machine)
    for user in machine.profile_users():
        check("(old" in (machine.profile_component(user) or ""), f"{user}'s profile changed")


def case_second_run_keeps_first_backups(machine, target):
    check(machine.run(["/s"]).exit_code == 0, "first run failed")
    machine.delete_value(SUITE_KEY, "FirefoxPatch")
    run = machine.run(["-S"])
    check(run.exit_code == 0 and run.boxes == [], "second silent run did not pass quietly")
    expect_patched(machine)


def case_no_install_path(machine, target):
    machine.delete_value(SUITE_KEY, "InstallPath")
    run = machine.run(["/s"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    expect_untouched(machine, "no InstallPath")


def expect_replace_failed(run, machine):
    """Outcome 3: every original in place and without a backup, nothing left under a
    temporary name, no marker."""
    check(run.texts() == [program_string(1033, 104), REPLACE_FAILED], f"boxes {run.texts()}")
    check(machine.value(SUITE_KEY, "FirefoxPatch") in (None, 0), "marker written after a failure")
    for entry in ENTRIES:
        check("(old)" in (machine.installed(entry) or "") and machine.backup(entry) is None,
              f"{entry} lost its original or got a backup")
    check(machine.staged_leftovers() == [], f"left behind: {machine.staged_leftovers()}")


def case_read_only_install_folder(machine, target):
    with machine.read_only(machine.drive_c / INSTALL_DIR):
        run = machine.run([], answers=["OK", "OK"])
    expect_replace_failed(run, machine)
    for user in machine.profile_users():
        check("(old" in (machine.profile_component(user) or ""), f"{user}'s profile changed")


def case_full_disk(machine, target):
    # Entry 2's new file outgrows the room left: the disk fills up in the middle of its copy.
    (machine.drive_c / PATCH_DIR / ENTRIES[2]).write_text("(new)" + "x" * 256 * 1024)
    with machine.small_disk(machine.drive_c / INSTALL_DIR, "64k"):
        run = machine.run([], answers=["OK", "OK"])
        expect_replace_failed(run, machine)


def case_process_will_not_end(machine, target):
    if not isinstance(machine, HostMachine):
        raise CaseSkipped("Wine ends every process it is asked to terminate")
    component = machine.start_component("locksmere.exe")
    # Termination refused, and each wait runs out at once rather than after its 30 s.
    machine.inject_faults(TerminateProcess=5, WaitForSingleObject=258)
    run = machine.run([], answers=["OK", "OK"])
    check(run.texts() == [program_string(1033, 104), STOP_FAILED], f"boxes {run.texts()}")
    check(component.poll() is None, "locksmere.exe ended after all")
    expect_untouched(machine, "a component that will not end")


def case_component_processes(machine, target):
    # Every instance, in any letter case; names that only contain the component's are others.
    stopped = [machine.start_component(name)
               for name in ("locksmere.exe", "vmrauth.exe", "locksmere.exe", "LOCKSMERE.EXE")]
    # Wine starts only programs named .exe.
    other_names = ["xlocksmere.exe"] + (["locksmere.exe.old"] if isinstance(machine, HostMachine)
                                        else [])
    others = [machine.start_component(name) for name in other_names]
    # The same program started for another machine folder is not this machine's to stop.
    if isinstance(machine, HostMachine):
        others.append(machine.start_component("locksmere.exe", folder=machine.work / "other"))
    run = machine.run(["/s"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    deadline = time.time() + 10
    while time.time() < deadline and any(process.poll() is None for process in stopped):
        time.sleep(0.2)
    check(all(process.poll() is not None for process in stopped), "a component program still runs")
    check(all(process.poll() is None for process in others),
          "another program (or another machine's) was stopped")
    expect_patched(machine)


def staged_or_aside(machine):
    return sorted(str(p) for p in machine.drive_c.rglob("*.~lk*"))


def case_concurrent_runs(machine, target):
    """Two silent runs started together on one machine: one patches, the other waits for it
    and then finds the patch applied; each .bak is the original."""
    if not isinstance(machine, HostMachine):
        raise CaseSkipped("two runs at once are started on the host's machine folder")
    events = machine.folder / "events.log"
    if events.exists():
        events.unlink()
    env = dict(os.environ, QOR_MACHINE=str(machine.folder))
    runs = [subprocess.Popen([str(machine.program), "/s", "/exitcode"],
                             cwd=machine.drive_c / PATCH_DIR, env=env, stdin=subprocess.DEVNULL)
            for _ in range(2)]
    for process in runs:
        process.wait(timeout=120)
    codes = sorted(re.findall(r"^exit code=(\d+)$",
                              events.read_text(encoding="utf-8"),
                              re.M))
    check(codes == ["0", "3010"], f"exit codes {codes}")
    expect_patched(machine)
    check(staged_or_aside(machine) == [], f"left behind: {staged_or_aside(machine)}")


def case_killed_run_then_rerun(machine, target):
    """A run that dies in the middle of its file work loses nothing, and the next run ends
    fully patched with each .bak the original and no temporary file left."""
    if not isinstance(machine, HostMachine):
        raise CaseSkipped("the host ends the run at a chosen file change")
    ini_path = machine.folder / "machine.ini"
    original_ini = ini_path.read_text()
    # The 14th file change falls in the swaps: some entries are new, others not yet.
    machine.inject_faults(**{"FileChange.abort": 14})
    killed = machine.run(["/s"])
    check(killed.exit_code == 86, f"the run was not ended at its 14th file change: {killed.exit_code}")
    new = ["(new)" in (machine.installed(entry) or "") for entry in ENTRIES]
    check(any(new) and not all(new), f"not cut inside the swaps: {new}")
    for entry in ENTRIES:
        kept = [machine.installed(entry), machine.backup(entry)]
        check(any("(old)" in (text or "") for text in kept), f"{entry}'s original is lost")
    ini_path.write_text(original_ini)
    run = machine.run(["/s", "/exitcode"])
    check(run.exit_code == 3010, f"rerun exit code {run.exit_code}")
    expect_patched(machine)
    check(staged_or_aside(machine) == [], f"left behind: {staged_or_aside(machine)}")


def case_vista_profiles(machine, target):
    machine.set_release("6.0")
    machine.move_profiles_to_vista()
    run = machine.run(["/s"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    if target == "wine64":
        # 64-bit Vista is not a supported release: nothing may change.
        expect_untouched(machine, "64-bit Vista")
        return
    expect_patched(machine, vista=True)
    for user in machine.profile_users():
        check("(old" in (machine.profile_component(user) or ""),
              f"{user}'s XP-style profile was changed on Vista")


def case_interactive_cancel(machine, target):
    run = machine.run([], answers=["Cancel"])
    check(run.exit_code == 1, f"exit code {run.exit_code}")
    check(run.texts() == [program_string(1033, 104)], f"boxes {run.texts()}")
    expect_untouched(machine, "cancel")


def case_interactive_no_restart(machine, target):
    run = machine.run(["/x"], answers=["OK", "OK", "No"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    expected = [program_string(1033, 104), SUCCESS, program_string(1033, 120)]
    check(run.texts() == expected, f"boxes {run.texts()}")
    check(run.restart is None, "restart requested after No")
    expect_patched(machine)


def case_interactive_restart(machine, target):
    run = machine.run([], answers=["OK", "OK", "Yes"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    check(len(run.boxes) == 3, f"boxes {run.texts()}")
    if isinstance(machine, HostMachine):
        check(run.restart == 0x12, f"restart flags {run.restart}")
    else:
        check(run.restart == "restart+force", f"session end {run.restart}")
    expect_patched(machine)


def case_other_language(machine, target):
    machine.set_language(1031)
    run = machine.run([], answers=["Cancel"])
    check(run.exit_code == 1, f"exit code {run.exit_code}")
    check(run.texts() == [program_string(1031, 104)], f"boxes {run.texts()}")


def case_logging_run(machine, target):
    machine.set_value(LOGS_KEY, "Logging", 1)
    machine.set_value(LOGS_KEY, "DynamicLogging", 1)
    machine.set_value(LOGS_KEY, "LogDetail", 0xFFF)
    machine.set_value(LOGS_KEY, "TextOutput", "C:\\logs\\LocksmerePatch.log")
    run = machine.run(["/s"])
    check(run.exit_code == 0, f"exit code {run.exit_code}")
    expect_patched(machine)
    log = machine.drive_c / "logs" / "LocksmerePatch.log"
    check(log.is_file(), "no log file")
    data = log.read_bytes()
    check(data.startswith(b"\xff\xfe"), "log does not start with the UTF-16 byte-order mark")
    check(data.count(b"\xff\xfe") == 1, "byte-order mark written more than once")
    check(len(data) % 2 == 0, "odd byte count in a UTF-16 file")
    text = data[2:].decode("utf-16-le")
    check(text.endswith("\r\n"), "last line has no CR LF")
    lines = text[:-2].split("\r\n")
    check(all("\n" not in line and "\r" not in line for line in lines), "stray line break")
    check(any("ENTRY" in line for line in lines) and any("EXIT" in line for line in lines),
          "no ENTRY/EXIT trace lines with dynamic logging on")


STAGES = ["checkSuiteVersion", "checkOperatingSystem", "isPatchApplied", "stopComponentProcesses",
          "replaceComponentFiles", "completePatch"]


def run_log_lines(machine, name):
    """The lines of a log the run wrote with /log: UTF-16 with one byte-order mark, each line in
    the engine's form "<time>: <TYPE> <module> ..." and ended by CR LF."""
    log = machine.drive_c / LOG_FOLDER / name
    check(log.is_file(), f"no log at {log}")
    data = log.read_bytes()
    check(data.startswith(b"\xff\xfe") and data.count(b"\xff\xfe") == 1,
          "the log does not start with exactly one UTF-16 byte-order mark")
    text = data[2:].decode("utf-16-le")
    check(text.endswith("\r\n"), "last line has no CR LF")
    lines = text[:-2].split("\r\n")
    for line in lines:
        check(re.match(r"<\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}>: <[A-Z_]+> <LocksmerePatch> ",
                       line), f"not the engine's line form: {line!r}")
    return lines


def expect_logs_key_untouched(machine):
    for name in ("Logging", "TextOutput", "LogDetail"):
        check(machine.value(LOGS_KEY, name) is None, f"the logging key got {name}")


def case_log_silent_success(machine, target):
    # A log that exists is appended to.
    (machine.drive_c / LOG_FOLDER).mkdir(exist_ok=True)
    log_path = f"C:\\{LOG_FOLDER}\\x-setup run.log"
    run = machine.run(["/s", "/log", log_path, "-exitcode"])
    check(run.exit_code == 3010, f"exit code {run.exit_code}")
    expect_patched(machine)
    first = run_log_lines(machine, "x-setup run.log")
    run = machine.run(["-S", f"/LOG:{log_path}"])
    check(run.exit_code == 0, f"second run: exit code {run.exit_code}")
    lines = run_log_lines(machine, "x-setup run.log")
    check(lines[:len(first)] == first, "the second run did not append")
    check(re.search(r'"LocksmerePatch \d+\.\d+\.\d+\.\d+ started; command line "[^"]*/s /log '
                    r'"C:\\deploy logs\\x-setup run\.log" -exitcode""', first[0]),
          f"first line: {first[0]}")
    # Every stage in order, then the outcome, and the exit code last.
    positions = [next((i for i, line in enumerate(first) if f"<::{stage}>" in line), None)
                 for stage in STAGES]
    check(None not in positions and positions == sorted(positions),
          f"stages out of order or missing: {list(zip(STAGES, positions))}")
    check('"outcome 0, exit code 3010"' in first[-1], f"last line: {first[-1]}")
    check('"outcome 2, exit code 0"' in lines[-1], f"second run's last line: {lines[-1]}")
    expect_logs_key_untouched(machine)


def case_log_missing_source(machine, target):
    machine.remove_patch_file(ENTRIES[3])
    (machine.drive_c / LOG_FOLDER).mkdir(exist_ok=True)
    run = machine.run(["/s", "/exitcode", f"/log:C:\\{LOG_FOLDER}\\failed.log"])
    check(run.exit_code == 1603, f"exit code {run.exit_code}")
    lines = run_log_lines(machine, "failed.log")
    # The missing file, and the Win32 error of its failed call (2, file not found).
    failures = [line for line in lines if ENTRIES[3] in line and "<Error: 0x00000002>" in line]
    check(failures, "no line names the missing file with error 2:\n" + "\n".join(lines))
    check('"outcome 3, exit code 1603"' in lines[-1], f"last line: {lines[-1]}")
    expect_logs_key_untouched(machine)
    if isinstance(machine, HostMachine):
        # A log that cannot be opened does not stop the run; the debugger channel says so.
        machine.reset()
        run = machine.run(["/s", "/log", "C:\\no such folder\\deeper\\run.log"])
        check(run.exit_code == 0, f"exit code {run.exit_code}")
        expect_patched(machine)
        events = (machine.folder / "events.log").read_text(encoding="utf-8")
        check(re.search(r'^debug text="LocksmerePatch: the log .*no such folder.* cannot be written',
                        events, re.M), f"events.log: {events}")


# Each outcome's exit code without and with /exitcode: (set-up, arguments, dialog answers,
# exit code, exit code with /exitcode). The switch changes nothing else.
EXIT_CODES = {
    "patched silently": (None, ["/s"], [], 0, 3010),
    "patched, restart declined": (None, [], ["OK", "OK", "No"], 0, 3010),
    "patched, restart started": (None, [], ["OK", "OK", "Yes"], 0, 1641),
    "already applied": (lambda m: m.set_value(SUITE_KEY, "FirefoxPatch", 1), ["/s"], [], 0, 0),
    "not eligible": (lambda m: m.set_value(SUITE_KEY, "Version", "8.0.0.311"), ["-S"], [], 0,
                     1633),
    "files not replaced": (lambda m: m.remove_patch_file(ENTRIES[3]), ["/s"], [], 0, 1603),
    # Host only (it answers boxes): Wine ends every process it is asked to terminate.
    "processes not stopped": (lambda m: (m.start_component("locksmere.exe"),
                                         m.inject_faults(TerminateProcess=5,
                                                         WaitForSingleObject=258)),
                              [], ["OK", "OK"], 0, 1603),
    "cancelled": (None, [], ["Cancel"], 1, 1602),
}


def case_exit_codes(machine, target):
    # Wine gets the silent runs; its interactive ones are the cases above.
    rows = [(name, row) for name, row in EXIT_CODES.items()
            if isinstance(machine, HostMachine) or not row[2]]
    for name, (set_up, args, answers, plain_code, switched_code) in rows:
        runs = []
        for run_args, expected in ((args, plain_code), (args + ["/ExitCode"], switched_code)):
            machine.reset()
            if set_up:
                set_up(machine)
            run = machine.run(run_args, answers)
            check(run.exit_code == expected, f"{name} {run_args}: exit code {run.exit_code}")
            runs.append((run.boxes, run.restart, machine.value(SUITE_KEY, "FirefoxPatch")))
        check(runs[0] == runs[1], f"{name}: /exitcode changed what the run did: {runs}")


CASES = {
    "silent_success": case_silent_success,
    "suite_version_80": case_suite_version_80,
    "marker_already_set": case_marker_already_set,
    "missing_source_file": case_missing_source_file,
    "second_run_keeps_first_backups": case_second_run_keeps_first_backups,
    "no_install_path": case_no_install_path,
    "read_only_install_folder": case_read_only_install_folder,
    "full_disk": case_full_disk,
    "process_will_not_end": case_process_will_not_end,
    "component_processes": case_component_processes,
    "concurrent_runs": case_concurrent_runs,
    "killed_run_then_rerun": case_killed_run_then_rerun,
    "vista_profiles": case_vista_profiles,
    "interactive_cancel": case_interactive_cancel,
    "interactive_no_restart": case_interactive_no_restart,
    "interactive_restart": case_interactive_restart,
    "other_language": case_other_language,
    "logging_run": case_logging_run,
    "exit_codes": case_exit_codes,
    "log_silent_success": case_log_silent_success,
    "log_missing_source": case_log_missing_source,
}


def run_cases(names, make_machine, target):
    failed = 0
    for name in names:
        started = time.time()
        machine = make_machine()
        try:
            CASES[name](machine, target)
            verdict = "PASS"
        except CaseSkipped as reason:
            verdict = f"SKIP ({reason})"
        except CaseFailed as fault:
            verdict = f"FAIL: {fault}"
            failed += 1
        finally:
            machine.stop_components()
            if isinstance(machine, HostMachine):
                machine.close()
        print(f"{target} {name}: {verdict} ({time.time() - started:.1f} s)", flush=True)
    return failed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("target", nargs="?", choices=["host", "wine"])
    parser.add_argument("program", nargs="?")
    parser.add_argument("cases", nargs="*")
    parser.add_argument("--list", action="store_true", help="print the case names and stop")
    parser.add_argument("--idle", help="the idle Windows program (wine)")
    parser.add_argument("--win64", action="store_true", help="64-bit Wine (wine)")
    parser.add_argument("--prefix", help="the Wine prefix to fill (wine; default: temporary)")
    parser.add_argument("--time-scale", type=int, default=1,
                        help="how many times longer Wine programs may take (wine; default 1)")
    # Cases may follow the options, as the usage above has them.
    args = parser.parse_intermixed_args()
    if args.list:
        print("\n".join(CASES))
        return 0
    if args.target is None or args.program is None:
        parser.error("a target and a program are needed")
    names = args.cases or list(CASES)
    unknown = [name for name in names if name not in CASES]
    if unknown:
        parser.error("unknown cases: " + ", ".join(unknown))

    if args.target == "host":
        return 1 if run_cases(names, lambda: HostMachine(Path(args.program).resolve()), "host") else 0

    server, display = start_display()
    if display is None:
        print("wine: no display server (Xvfb, xdotool): interactive cases are skipped")
    prefix = Path(args.prefix or tempfile.mkdtemp(prefix="qor-e2e-prefix-"))
    wine_run = [str(ROOT / "scripts" / "wine-run")] + (["--win64"] if args.win64 else [])
    env = dict(os.environ, QOR_WINEPREFIX=str(prefix))
    env.pop("DISPLAY", None)
    if display:
        env["DISPLAY"] = display
    target = "wine64" if args.win64 else "wine"
    try:
        # The wineserver must come up with the display, or every box answers 0 unseen.
        subprocess.run(wine_run + ["--start"], env=env, check=True, stdin=subprocess.DEVNULL)
        machine = WineMachine(str(Path(args.program).resolve()), args.idle, args.win64, prefix,
                              display, args.time_scale)

        def fresh():
            machine.reset()
            return machine
        failed = run_cases(names, fresh, target)
    finally:
        subprocess.run(wine_run + ["--stop"], env=env, stdin=subprocess.DEVNULL)
        if server:
            server.send_signal(signal.SIGTERM)
            server.wait()
        if not args.prefix:
            shutil.rmtree(prefix, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
