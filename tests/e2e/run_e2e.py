#!/usr/bin/env python3
"""End-to-end runs of LocksmerePatch as a user would make them, on a copy of the sample
Windows XP machine in examples/xp-machine.

  run_e2e.py host PROGRAM [CASE...]
      the host build against a machine folder; dialogs answer from machine.ini.
  run_e2e.py wine PROGRAM.exe --idle IDLE.exe [--win64] [CASE...]
  run_e2e.py --list
      the case names, one a line (ctest takes the host cases from it).
      the Windows build in a private Wine prefix filled from the same files; interactive
      cases run on an Xvfb display with xdotool pressing the buttons, and are skipped
      (visibly) where no display server can be had.

Without CASE every case runs. The exit code is 0 when every case that ran passed.
"""

import argparse
import contextlib
import getpass
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
from component_files import browser_component, component_files  # noqa: E402
EXAMPLE = ROOT / "examples" / "xp-machine"
STRINGS_RC = ROOT / "resources" / "strings.rc"

INSTALL_DIR = "Program Files/Arvenne/Velmora/Locksmere"
PATCH_DIR = "Velmora Patch"
ENTRIES = component_files()
COMPONENT = browser_component()
EXTENSION_DIR = "extensions/{8f1a3c2e-5d4b-4e7a-9c61-0b2d7e4f9a13}/components"
XP_PROFILES = "Documents and Settings/{user}/Application Data/Mozilla/Firefox/Profiles"
VISTA_PROFILES = "Users/{user}/AppData/Roaming/Mozilla/Firefox/Profiles"
SUITE_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Arvenne\Velmora"
LOGS_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Arvenne\Logs"

SUCCESS = "The patch has been installed successfully."
NOT_ELIGIBLE = "This computer does not match requirements."
ALREADY_APPLIED = "The patch has already been applied to this computer."
REPLACE_FAILED = "Patch install error: failed to replace files"
STOP_FAILED = "Patch install error: failed to stop Locksmere"


def program_string(language, string_id):
    """A text of the program's string table as the resource script holds it."""
    name = {104: "IDS_PATCH_CONFIRM", 120: "IDS_PATCH_RESTART"}[string_id]
    text = STRINGS_RC.read_text(encoding="utf-8")
    block = re.search(r"^// [^\n]*, %d\n(.*?)^END" % language, text, re.M | re.S)
    literal = re.search(r'^\s*%s L"((?:[^"\\]|\\.)*)"' % name, block.group(1), re.M).group(1)
    return re.sub(r"\\x([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), literal)


class CaseFailed(Exception):
    pass


class CaseSkipped(Exception):
    pass


def check(condition, message):
    if not condition:
        raise CaseFailed(message)


class Run:
    """What one run of the program left: its exit code, the boxes it showed (text and the
    answer given) and whether it asked for a restart (with which flags, where known)."""

    def __init__(self, exit_code, boxes, restart):
        self.exit_code = exit_code
        self.boxes = boxes
        self.restart = restart

    def texts(self):
        return [text for text, _ in self.boxes]


class Machine:
    """The parts both kinds of machine share: the files below C:\\."""

    def __init__(self):
        self.components = []

    def file(self, path):
        target = self.drive_c / path
        return target.read_text(encoding="utf-8") if target.is_file() else None

    def installed(self, entry):
        return self.file(f"{INSTALL_DIR}/{entry}")

    def backup(self, entry):
        return self.file(f"{INSTALL_DIR}/{entry}.bak")

    def remove_patch_file(self, entry):
        (self.drive_c / PATCH_DIR / entry).unlink()

    def profile_component(self, user, vista=False):
        root = (VISTA_PROFILES if vista else XP_PROFILES).format(user=user)
        folder = self.drive_c / root
        found = sorted(folder.glob(f"*/{EXTENSION_DIR}/{COMPONENT}")) if folder.is_dir() else []
        return found[0].read_text(encoding="utf-8") if found else None

    def move_profiles_to_vista(self):
        for user in self.profile_users():
            xp = self.drive_c / XP_PROFILES.format(user=user)
            vista = self.drive_c / VISTA_PROFILES.format(user=user)
            vista.parent.mkdir(parents=True, exist_ok=True)
            shutil.copytree(xp, vista, dirs_exist_ok=True)

    @contextlib.contextmanager
    def small_disk(self, folder, size):
        """The folder on a file system of its own (tmpfs) of that size, its content copied in;
        its checks belong inside the block. Skips where nothing can be mounted."""
        saved = Path(tempfile.mkdtemp(prefix="qor-e2e-disk-"))
        shutil.copytree(folder, saved / "content", symlinks=True)
        mount = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs",
                                str(folder)], capture_output=True, text=True)
        try:
            if mount.returncode != 0:
                raise CaseSkipped("no small file system can be mounted here: "
                                  + mount.stderr.strip())
            shutil.copytree(saved / "content", folder, symlinks=True, dirs_exist_ok=True)
            yield
        finally:
            if mount.returncode == 0:
                subprocess.run(["umount", str(folder)], check=True)
            shutil.rmtree(saved, ignore_errors=True)

    @contextlib.contextmanager
    def read_only(self, folder):
        """A folder the user may not write. The host takes a folder without write permission
        for one; Linux lets root (and so Wine run as root) write there anyway, but not into
        an immutable folder."""
        immutable = isinstance(self, WineMachine) and os.geteuid() == 0
        if immutable and subprocess.run(["chattr", "+i", str(folder)]).returncode != 0:
            raise CaseSkipped("the folder cannot be made immutable")
        if not immutable:
            folder.chmod(0o555)
        try:
            yield
        finally:
            if immutable:
                subprocess.run(["chattr", "-i", str(folder)], check=True)
            else:
                folder.chmod(0o755)

    def staged_leftovers(self):
        return sorted(str(p) for p in (self.drive_c / INSTALL_DIR).rglob("*.~lkp"))

    def stop_components(self):
        for process in self.components:
            if process.poll() is None:
                process.kill()
            process.wait()
        self.components = []


class HostMachine(Machine):
    """A machine folder for the host build: registry.reg, machine.ini, drive_c, events.log."""

    def __init__(self, program):
        super().__init__()
        self.program = program
        self.work = Path(tempfile.mkdtemp(prefix="qor-e2e-"))
        self.folder = self.work / "machine"
        shutil.copytree(EXAMPLE, self.folder, symlinks=True)
        self.drive_c = self.folder / "drive_c"
        self.registry = RegFile(self.folder / "registry.reg")

    def close(self):
        self.stop_components()
        shutil.rmtree(self.work, ignore_errors=True)

    def reset(self):
        self.stop_components()
        shutil.rmtree(self.folder)
        shutil.copytree(EXAMPLE, self.folder, symlinks=True)

    def profile_users(self):
        return ["Alice", "Bob"]

    def set_value(self, key, name, value):
        self.registry.load()
        self.registry.set(key, name, value)
        self.registry.save()

    def delete_value(self, key, name):
        self.registry.load()
        self.registry.delete(key, name)
        self.registry.save()

    def value(self, key, name):
        self.registry.load()
        return self.registry.get(key, name)

    def set_release(self, version):
        ini = (self.folder / "machine.ini").read_text()
        ini = re.sub(r"^version = .*$", f"version = {version}", ini, flags=re.M)
        (self.folder / "machine.ini").write_text(ini)

    def set_language(self, language):
        ini = (self.folder / "machine.ini").read_text()
        ini = re.sub(r"^language = .*$", f"language = {language}", ini, flags=re.M)
        (self.folder / "machine.ini").write_text(ini)

    def inject_faults(self, **faults):
        """Win32 calls that fail for the whole run, as the host's machine.ini [faults] has
        them (Function = error)."""
        ini_path = self.folder / "machine.ini"
        lines = "".join(f"{name} = {error}\n" for name, error in faults.items())
        ini_path.write_text(ini_path.read_text() + "\n[faults]\n" + lines)

    def start_component(self, name, folder=None):
        # The host lists a process under the name it was started as, so a Linux sleep started
        # as locksmere.exe is the component's program as far as the patch can tell. It runs on
        # this machine folder (or the one given): the host shows a machine only the processes
        # started for it.
        env = dict(os.environ, QOR_MACHINE=str(folder or self.folder))
        process = subprocess.Popen([name, "300"], executable="/bin/sleep", env=env)
        self.components.append(process)
        return process

    def run(self, args, answers=()):
        events = self.folder / "events.log"
        if events.exists():
            events.unlink()
        ini_path = self.folder / "machine.ini"
        ini = re.sub(r"\n\[dialogs\][^\[]*", "\n", ini_path.read_text())
        if answers:
            ini += "\n[dialogs]\nanswers = %s\n" % ", ".join(answers)
        ini_path.write_text(ini)
        env = dict(os.environ, QOR_MACHINE=str(self.folder))
        result = subprocess.run([str(self.program)] + list(args), cwd=self.drive_c / PATCH_DIR,
                                env=env, stdin=subprocess.DEVNULL, timeout=120)
        boxes, restart, exit_code = [], None, result.returncode
        if events.exists():
            for line in events.read_text(encoding="utf-8").splitlines():
                box = re.match(r'messagebox caption="Velmora-Locksmere" text="(.*)" '
                               r"buttons=\S+ answer=(\S+)$", line)
                if box:
                    boxes.append((box.group(1), box.group(2)))
                exit_request = re.match(r"exitwindows action=\S+ flags=(0x[0-9A-F]+)", line)
                if exit_request:
                    restart = int(exit_request.group(1), 16)
                # Linux passes on only the low 8 bits; events.log has the whole code.
                recorded = re.match(r"exit code=(-?\d+)$", line)
                if recorded:
                    exit_code = int(recorded.group(1))
                    check(exit_code & 0xFF == result.returncode & 0xFF,
                          f"exit code {result.returncode}, events.log says {exit_code}")
        return Run(exit_code, boxes, restart)


class RegFile:
    """registry.reg as the host keeps it (UTF-16, regedit 5.00): just enough to read and
    change string and DWORD values."""

    def __init__(self, path):
        self.path = path
        self.lines = []

    def load(self):
        self.lines = self.path.read_bytes().decode("utf-16").splitlines()

    def save(self):
        text = "\r\n".join(self.lines) + "\r\n"
        self.path.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))

    def _section(self, key):
        header = "[%s]" % key
        for index, line in enumerate(self.lines):
            if line.lower() == header.lower():
                end = index + 1
                while end < len(self.lines) and not self.lines[end].startswith("["):
                    end += 1
                return index, end
        self.lines += ["", header]
        return len(self.lines) - 1, len(self.lines)

    def _find(self, key, name):
        start, end = self._section(key)
        for index in range(start + 1, end):
            if self.lines[index].lower().startswith('"%s"=' % name.lower()):
                return index, end
        return None, end

    def get(self, key, name):
        index, _ = self._find(key, name)
        if index is None:
            return None
        data = self.lines[index].split("=", 1)[1]
        if data.startswith("dword:"):
            return int(data[6:], 16)
        return data[1:-1].replace("\\\\", "\\")

    def set(self, key, name, value):
        if isinstance(value, int):
            data = "dword:%08x" % value
        else:
            data = '"%s"' % value.replace("\\", "\\\\")
        index, end = self._find(key, name)
        line = '"%s"=%s' % (name, data)
        if index is None:
            while end > 0 and self.lines[end - 1] == "":
                end -= 1
            self.lines.insert(end, line)
        else:
            self.lines[index] = line

    def delete(self, key, name):
        index, _ = self._find(key, name)
        if index is not None:
            del self.lines[index]


def start_display():
    """An Xvfb display for the interactive cases, or None where none can be had."""
    if not shutil.which("Xvfb") or not shutil.which("xdotool"):
        return None, None
    for number in range(91, 120):
        if Path(f"/tmp/.X{number}-lock").exists():
            continue
        server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(50):
            if Path(f"/tmp/.X11-unix/X{number}").exists():
                return server, f":{number}"
            if server.poll() is not None:
                break
            time.sleep(0.1)
        server.kill()
        server.wait()
    return None, None


def decode_wine_string(literal):
    """Wine's debug form of a wide string back to text."""
    escapes = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"'}
    return re.sub(r"\\([0-9a-fA-F]{4}|.)",
                  lambda m: chr(int(m.group(1), 16)) if len(m.group(1)) == 4
                  else escapes.get(m.group(1), m.group(1)), literal)


class WineMachine(Machine):
    """A Wine prefix filled from the sample machine: its registry.reg imported with regedit,
    its drive_c copied in. The prefix is made once; each case starts from a fresh copy of the
    sample's state."""

    KEYS = {"OK": "Return", "Cancel": "Escape", "Yes": "y", "No": "n"}

    def __init__(self, program, idle, win64, prefix, display):
        super().__init__()
        self.program = Path(program)
        self.idle = Path(idle)
        self.win64 = win64
        self.display = display
        self.env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8")
        self.env.pop("DISPLAY", None)
        if display:
            self.env["DISPLAY"] = display
        # The loader scripts/wine-run chose: the 32-bit one may be a private Wine.
        wine_run = [str(ROOT / "scripts" / "wine-run")] + (["--win64"] if win64 else [])
        self.wine = subprocess.run(wine_run + ["--loader"], env=self.env, check=True,
                                   stdin=subprocess.DEVNULL, capture_output=True,
                                   text=True).stdout.strip()
        self.drive_c = Path(prefix) / "drive_c"
        self.user = getpass.getuser()
        self.language_env = {}

    def wine_call(self, *args, check_status=True):
        result = subprocess.run([self.wine] + list(args), env=self.env, stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, errors="replace", timeout=120)
        if check_status and result.returncode != 0:
            raise CaseFailed("wine %s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result

    def profile_users(self):
        # Wine lists its one account, the Unix user.
        return [self.user]

    def reset(self):
        self.stop_components()
        self.language_env = {}
        self.wine_call("reg", "delete", r"HKLM\Software\Arvenne", "/f", check_status=False)
        self.set_release("winxp")
        registry = "Z:" + str(EXAMPLE / "registry.reg").replace("/", "\\")
        self.wine_call("regedit", "/s", registry)
        for folder in ("Program Files/Arvenne", PATCH_DIR, "Documents and Settings", "logs",
                       LOG_FOLDER,
                       f"users/{self.user}/AppData/Roaming/Mozilla"):
            shutil.rmtree(self.drive_c / folder, ignore_errors=True)
        for folder in ("Program Files/Arvenne", PATCH_DIR):
            shutil.copytree(EXAMPLE / "drive_c" / folder, self.drive_c / folder)
        # The sample's first user's profile, for the account Wine lists.
        shutil.copytree(EXAMPLE / "drive_c" / XP_PROFILES.format(user="Alice"),
                        self.drive_c / XP_PROFILES.format(user=self.user))

    def move_profiles_to_vista(self):
        # Wine's own profile folder is drive_c/users/<name>; Windows spells it C:\Users.
        xp = self.drive_c / XP_PROFILES.format(user=self.user)
        vista = self.drive_c / "users" / self.user / "AppData/Roaming/Mozilla/Firefox/Profiles"
        vista.parent.mkdir(parents=True, exist_ok=True)
        shutil.copytree(xp, vista, dirs_exist_ok=True)

    def profile_component(self, user, vista=False):
        if vista:
            folder = self.drive_c / "users" / user / "AppData/Roaming/Mozilla/Firefox/Profiles"
            found = sorted(folder.glob(f"*/{EXTENSION_DIR}/{COMPONENT}"))
            return found[0].read_text(encoding="utf-8") if found else None
        return super().profile_component(user, vista)

    def _reg_key(self, key):
        return key.replace("HKEY_LOCAL_MACHINE", "HKLM")

    def set_value(self, key, name, value):
        kind, data = ("REG_DWORD", str(value)) if isinstance(value, int) else ("REG_SZ", value)
        self.wine_call("reg", "add", self._reg_key(key), "/v", name, "/t", kind, "/d", data, "/f")

    def delete_value(self, key, name):
        self.wine_call("reg", "delete", self._reg_key(key), "/v", name, "/f", check_status=False)

    def value(self, key, name):
        result = self.wine_call("reg", "query", self._reg_key(key), "/v", name, check_status=False)
        match = re.search(r"^\s*%s\s+(REG_\w+)\s+(.*)$" % re.escape(name), result.stdout,
                          re.M | re.I)
        if result.returncode != 0 or not match:
            return None
        kind, data = match.group(1), match.group(2).strip()
        return int(data, 16) if kind == "REG_DWORD" else data

    def set_release(self, version):
        names = {"5.1": "winxp", "6.0": "vista", "6.1": "win7"}
        self.wine_call("reg", "add", r"HKCU\Software\Wine", "/v", "Version", "/d",
                       names.get(version, version), "/f")

    def set_language(self, language):
        locales = {1031: "de_DE.UTF-8", 1036: "fr_FR.UTF-8", 1041: "ja_JP.UTF-8"}
        self.language_env = {"LC_ALL": locales[language]}

    def start_component(self, name):
        folder = self.drive_c / "idle"
        folder.mkdir(exist_ok=True)
        shutil.copyfile(self.idle, folder / name)
        process = subprocess.Popen([self.wine, "C:\\idle\\" + name], env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.components.append(process)
        # Until Wine has the program running, no snapshot can list it.
        deadline = time.time() + 30
        while time.time() < deadline:
            listed = subprocess.run(["pgrep", "-f", re.escape("C:\\idle\\" + name)],
                                    capture_output=True, text=True)
            if listed.stdout.strip():
                time.sleep(1.0)
                return process
            time.sleep(0.2)
        raise CaseFailed(f"{name} did not start under Wine")

    def _windows(self):
        listed = subprocess.run(["xdotool", "search", "--name", "^Velmora-Locksmere$"],
                                env=self.env, capture_output=True, text=True)
        return [w for w in listed.stdout.split() if w]

    def run(self, args, answers=()):
        if answers and not self.display:
            raise CaseSkipped("no display server for message boxes (Xvfb and xdotool)")
        shutil.copyfile(self.program, self.drive_c / PATCH_DIR / self.program.name)
        # A Unix parent sees only the low 8 bits of the exit code; cmd's %ERRORLEVEL% has
        # all of it (cmd waits for a GUI program when it runs a batch file).
        (self.drive_c / "exit_code.cmd").write_text(
            "@echo off\r\n%s %%*\r\necho exit code=%%ERRORLEVEL%%\r\n" % self.program.name)
        env = dict(self.env, WINEDEBUG="trace+msgbox,trace+process", **self.language_env)
        trace_path = Path(tempfile.mkstemp(prefix="qor-e2e-trace-")[1])
        output_path = Path(tempfile.mkstemp(prefix="qor-e2e-output-")[1])
        with open(trace_path, "w") as trace, open(output_path, "w") as output:
            command = [self.wine, "cmd", "/c", "C:\\exit_code.cmd"] + list(args)
            process = subprocess.Popen(command, cwd=self.drive_c / PATCH_DIR, env=env,
                                       stdin=subprocess.DEVNULL, stdout=output,
                                       stderr=trace)
            answered, seen = [], set()
            deadline = time.time() + 120
            while process.poll() is None and time.time() < deadline:
                fresh = [w for w in self._windows() if w not in seen]
                if fresh:
                    window = fresh[0]
                    seen.add(window)
                    # A box nobody expected is answered OK so the run can end; the texts
                    # then show it.
                    answer = answers[len(answered)] if len(answered) < len(answers) else "OK"
                    time.sleep(0.3)
                    subprocess.run(["xdotool", "windowfocus", window], env=self.env,
                                   capture_output=True)
                    subprocess.run(["xdotool", "key", self.KEYS[answer]], env=self.env,
                                   capture_output=True)
                    answered.append(answer)
                time.sleep(0.2)
            if process.poll() is None:
                process.kill()
                process.wait()
                raise CaseFailed("the program did not end within two minutes")
        trace_text = trace_path.read_text(errors="replace")
        trace_path.unlink()
        reported = re.search(r"^exit code=(-?\d+)", output_path.read_text(errors="replace"), re.M)
        output_path.unlink()
        check(reported is not None, "cmd did not report the exit code")
        texts = [decode_wine_string(m) for m in
                 re.findall(r'MSGBOX_OnInit L"((?:[^"\\]|\\.)*)"', trace_text)]
        answered += ["0"] * (len(texts) - len(answered))
        boxes = list(zip(texts, answered))
        restart = None
        session_end = re.search(r'cmdline L"[^"]*wineboot\.exe --end-session([^"]*)"', trace_text)
        if session_end:
            # Wine turns EWX_FORCE/EWX_FORCEIFHUNG into --force and only a shutdown (not a
            # restart) into --shutdown.
            options = session_end.group(1)
            restart = "restart" if "--shutdown" not in options else "shutdown"
            if "--force" in options:
                restart += "+force"
        return Run(int(reported.group(1)), boxes, restart)


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


LOG_FOLDER = "deploy logs"
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
        machine = WineMachine(str(Path(args.program).resolve()), args.idle, args.win64, prefix, display)

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
