"""A private XScreenSaver for tests: the hack and its settings file staged by
`cmake --install`, an Xvfb of its own, and the daemon running as an
unprivileged user with a HOME of its own, all in one temporary folder that is
removed again, with every process started here, whatever the outcome. The
daemon and the programs run for it find the hack by its name on a PATH that
leads to the staged program, so nothing is installed into the system.

The daemon refuses to run hacks as root, so a test run as root starts it, and
the commands that control it, as the user `nobody` through setpriv; anyone
else runs them as themselves. The folder is made under /tmp and opened to
others (0755), since a user such as nobody cannot reach a work tree under
/root; the display is opened to all local clients (-ac) for the same reason.
Its importers have put tests/support on the module path.
"""

import grp
import os
import pwd
import re
import shutil
import signal
import stat
import subprocess
import tempfile
import time

from case_runner import cindral_env

SCREEN_WIDTH = 1024
SCREEN_HEIGHT = 768
# Where Debian's XScreenSaver keeps its hacks.
DAEMON_HACK_DIR = "/usr/libexec/xscreensaver"


class StagedHack:
    """What `cmake --install --component xscreensaver` put under a prefix."""

    def __init__(self, prefix):
        self.program_dir = os.path.join(prefix, "libexec", "xscreensaver")
        self.config_dir = os.path.join(prefix, "share", "xscreensaver", "config")
        self.programs = sorted(_files(self.program_dir))
        self.settings_files = sorted(_files(self.config_dir))

    def program(self):
        """The one staged program's full path."""
        if len(self.programs) != 1:
            raise AssertionError(f"expected one program in {self.program_dir}, found {self.programs}")
        return os.path.join(self.program_dir, self.programs[0])


def _files(folder):
    return os.listdir(folder) if os.path.isdir(folder) else []


def stage_hack(cmake, build_dir, prefix):
    subprocess.run([cmake, "--install", build_dir, "--prefix", prefix, "--component", "xscreensaver"],
                   check=True, stdout=subprocess.DEVNULL)
    # Readable and, for folders and programs, searchable by anyone, whatever
    # the umask of the caller.
    for folder, _, names in os.walk(prefix):
        os.chmod(folder, 0o755)
        for name in names:
            path = os.path.join(folder, name)
            runnable = os.stat(path).st_mode & stat.S_IXUSR
            os.chmod(path, 0o755 if runnable else 0o644)
    return StagedHack(prefix)


def executable(pid):
    """The program a live process runs; None for a zombie or a process gone."""
    try:
        return os.readlink(f"/proc/{pid}/exe")
    except OSError:
        return None


def running(program):
    """Live processes that run `program`, past their exec: a process caught in
    its exec already runs the new program but has no command line or
    environment yet."""
    def started(pid):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                return f.read(1) != b""
        except OSError:
            return False
    return sorted(pid for pid in cindral_env.process_table() if executable(pid) == program and started(pid))


def _end(pid, program, seconds=5.0):
    """SIGTERM, then SIGKILL after `seconds`, to a process that may be gone,
    unless its pid now belongs to another program."""
    if executable(pid) != program:
        return
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if executable(pid) is None:
            return
        time.sleep(0.05)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


class DaemonSandbox:
    """Use as a context manager; start_daemon() once inside it."""

    def __init__(self, cmake, build_dir):
        self._cmake = cmake
        self._build_dir = build_dir
        self._xvfb = None
        self._daemon = None
        self._folder = None
        self.program = None
        self.display = None

    # -- setting up ----------------------------------------------------------

    def __enter__(self):
        try:
            self._set_up()
        except BaseException:
            self._tear_down()
            raise
        return self

    def __exit__(self, *exc):
        self._tear_down()
        return False

    def _set_up(self):
        self._folder = tempfile.mkdtemp(prefix="cindral-xscreensaver-", dir="/tmp")
        os.chmod(self._folder, 0o755)
        self.program = stage_hack(self._cmake, self._build_dir,
                                  os.path.join(self._folder, "stage")).program()
        self._program_dir = os.path.dirname(self.program)
        # The daemon puts its own hack folder first on the hacks' PATH.
        installed = os.path.join(DAEMON_HACK_DIR, os.path.basename(self.program))
        if os.path.exists(installed):
            raise AssertionError(f"{installed} is installed: XScreenSaver would run it, not the staged one")
        self._user = self._choose_user()
        self.home = os.path.join(self._folder, "home")
        os.mkdir(self.home, 0o755)
        if self._user is not None:
            os.chown(self.home, self._user.pw_uid, self._user.pw_gid)
        self.log_path = os.path.join(self.home, "xscreensaver.log")
        self.settings_path = os.path.join(self.home, ".xscreensaver")
        self._start_xvfb()

    @staticmethod
    def _choose_user():
        if os.geteuid() != 0:
            return None
        return pwd.getpwnam("nobody")

    def _start_xvfb(self):
        # Open to all local clients (-ac): the daemon runs as another user.
        self._xvfb = cindral_env.Xvfb(screen=f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", extra=["-ac"],
                                      log=os.path.join(self._folder, "xvfb.log"))
        self.display = self._xvfb.start()

    def _as_user(self, command):
        if self._user is None:
            return command
        group = grp.getgrgid(self._user.pw_gid).gr_name
        return ["setpriv", f"--reuid={self._user.pw_name}", f"--regid={group}", "--clear-groups"] + command

    def _environment(self):
        """All that the daemon, its commands and its hacks get: what a login
        session would give them, the display, and no shader cache."""
        name = self._user.pw_name if self._user is not None else pwd.getpwuid(os.geteuid()).pw_name
        return {
            "HOME": self.home, "USER": name, "LOGNAME": name, "PATH": f"{self._program_dir}:/usr/bin:/bin",
            "DISPLAY": self.display, "MESA_SHADER_CACHE_DISABLE": "true",
        }

    def run_as_user(self, argv):
        """Runs a program as the daemon's user, in its environment; the
        finished process, with its output as text."""
        return subprocess.run(self._as_user(argv), env=self._environment(), cwd=self.home,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=30)

    def settings(self):
        with open(self.settings_path) as f:
            return f.read()

    def set_settings(self, values):
        """Gives settings of ~/.xscreensaver, each of which must be there, new
        values."""
        text = self.settings()
        for name, value in values.items():
            text, found = re.subn(rf"^{re.escape(name)}:.*$", f"{name}:\t{value}", text, flags=re.M)
            if found != 1:
                raise AssertionError(f"{self.settings_path} has {found} {name}: settings")
        with open(self.settings_path, "w") as f:
            f.write(text)

    def start_daemon(self):
        """Starts the daemon on the ~/.xscreensaver there is and waits until
        it answers commands."""
        output = os.path.join(self._folder, "daemon.out")
        with open(output, "wb") as out:
            self._daemon = subprocess.Popen(
                self._as_user(["xscreensaver", "--no-splash", "--log", self.log_path]),
                env=self._environment(), cwd=self.home,
                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)

        def running():
            if self._daemon.poll() is not None:
                raise AssertionError(f"the daemon ended with status {self._daemon.returncode}")
            return True

        # An xscreensaver-command run while the daemon is still starting (after
        # "running in process", before it reports XInput) can make it exit
        # with status 1 and no message (6.06, about one start in fifteen), so
        # none runs before the log shows that it got that far.
        try:
            cindral_env.wait_for("the daemon to set up its input",
                     lambda: running() and "XInput version" in self.log(), 30, interval=0.1)
            cindral_env.wait_for("the daemon to answer xscreensaver-command",
                     lambda: running() and self.command("-version", check=False) == 0, 30, interval=0.2)
        except AssertionError as e:
            with open(output, errors="replace") as f:
                said = f.read()[-2000:]
            raise AssertionError(f"{e}; it said:\n{said}\nits log ends with:\n{self.log()[-3000:]}") from None

    # -- controlling and looking ---------------------------------------------

    def command(self, *options, check=True):
        """Runs xscreensaver-command OPTIONS as the daemon's user; its exit code."""
        done = subprocess.run(self._as_user(["xscreensaver-command", *options]), env=self._environment(),
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, timeout=30)
        if check and done.returncode != 0:
            raise AssertionError(f"xscreensaver-command {' '.join(options)}: exit {done.returncode}: "
                                 f"{done.stderr.decode(errors='replace').strip()}")
        return done.returncode

    def hack_pids(self):
        """Live processes that run the staged program."""
        return running(self.program)

    @staticmethod
    def environment_of(pid):
        with open(f"/proc/{pid}/environ", "rb") as f:
            entries = f.read().split(b"\0")
        return dict(e.decode(errors="replace").split("=", 1) for e in entries if b"=" in e)

    @staticmethod
    def arguments_of(pid):
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return [a.decode(errors="replace") for a in f.read().split(b"\0")[:-1]]

    def log(self):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def wait_for_log(self, what, pattern, seconds):
        """The first match of the regular expression `pattern` in the log."""
        regex = re.compile(pattern, re.MULTILINE)
        try:
            return cindral_env.wait_for(what, lambda: regex.search(self.log()), seconds, interval=0.2)
        except AssertionError as e:
            raise AssertionError(f"{e}; the log ends with:\n{self.log()[-3000:]}") from None

    # -- tearing down --------------------------------------------------------

    def _tear_down(self):
        steps = [self._stop_daemon, self._stop_xvfb, self._remove_folder]
        for step in steps:
            try:
                step()
            except Exception as e:  # every step runs, whatever failed before
                print(f"xscreensaver sandbox: {step.__name__}: {e}")

    def _stop_daemon(self):
        if self._daemon is None:
            return
        # Its helper and its hacks, found before it goes and they lose their parent.
        started = [(pid, executable(pid)) for pid in cindral_env.descendants(self._daemon.pid)]
        if self._daemon.poll() is None:
            self._daemon.terminate()
            try:
                self._daemon.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self._daemon.kill()
                self._daemon.wait()
        hacks = [(pid, self.program) for pid in self.hack_pids()] if self.program else []
        for pid, program in started + hacks:
            if program is not None:
                _end(pid, program)

    def _stop_xvfb(self):
        if self._xvfb is not None:
            self._xvfb.stop()

    def _remove_folder(self):
        if self._folder is not None:
            shutil.rmtree(self._folder, ignore_errors=True)
