"""The machines the end-to-end cases run on: a host machine folder or a Wine prefix, each
filled from examples/xp-machine, with what the cases check them by (files, registry, the
boxes shown, the exit code)."""

import contextlib
import getpass
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from reg_file import RegFile

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
# Where the /log cases write, below C:\ (a folder with a space, as administrators have them).
LOG_FOLDER = "deploy logs"


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

    def __init__(self, program, idle, win64, prefix, display, time_scale=1):
        super().__init__()
        # How many times longer than here a Wine program may take (the emulated 32-bit guest).
        self.time_scale = time_scale
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
                                capture_output=True, text=True, errors="replace",
                                timeout=120 * self.time_scale)
        if check_status and result.returncode != 0:
            raise CaseFailed("wine %s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result

    def profile_users(self):
        # Wine lists its one account, the Unix user.
        return [self.user]

    def reset(self):
        self.stop_components()
        self.language_env = {}
        # One regedit for the whole registry (a Wine start is slow in an emulated guest): the
        # example's key removed, the release set to XP, then the example's values.
        example = (EXAMPLE / "registry.reg").read_bytes().decode("utf-16").splitlines()
        lines = [example[0], "", r"[-HKEY_LOCAL_MACHINE\Software\Arvenne]", "",
                 r"[HKEY_CURRENT_USER\Software\Wine]", '"Version"="winxp"'] + example[1:]
        reset_file = self.drive_c / "qor-e2e-reset.reg"
        reset_file.write_bytes(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))
        try:
            self.wine_call("regedit", "/s", "C:\\qor-e2e-reset.reg")
        finally:
            reset_file.unlink()
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
        deadline = time.time() + 30 * self.time_scale
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
            deadline = time.time() + 120 * self.time_scale
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
                raise CaseFailed("the program did not end within %d s" % (120 * self.time_scale))
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
