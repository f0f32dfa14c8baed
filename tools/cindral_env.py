"""The test environment for the Python scripts: private Xvfb displays, the
tree's Wine prefixes with the variables that tools/env.sh sets (taken from that
very file, so that the shell scripts and these agree), and waiting for a
condition."""
import functools
import os
import select
import shutil
import subprocess
import time

TOOLS = os.path.dirname(os.path.abspath(__file__))
WINESERVER = "/usr/lib/wine/wineserver64"
ENV_SH = os.path.join(TOOLS, "env.sh")
# The exit status of a test that cannot run on this machine (cindral_skip_status).
SKIP_STATUS = 77


class Skipped(Exception):
    """What a test needs cannot run on this machine; the message says why."""


@functools.lru_cache(maxsize=None)
def no_32bit_reason():
    """Empty when this machine runs 32-bit x86 programs, else why not: the
    answer of tools/env.sh's cindral_runs_32bit."""
    return subprocess.run(["bash", "-c", 'source "$0" && { cindral_runs_32bit || echo "$CINDRAL_NO_32BIT"; }', ENV_SH],
                          stdout=subprocess.PIPE, text=True, check=True).stdout.strip()


def require_32bit():
    """Raises Skipped where 32-bit programs cannot run."""
    reason = no_32bit_reason()
    if reason:
        raise Skipped(reason)


def wait_for(what, condition, seconds, interval=0.1):
    """Calls `condition` until it gives something true, which is returned;
    raises AssertionError naming `what` once `seconds` have passed. Waits are
    for the condition itself, with limits generous enough for slow machines
    and emulated code; nothing here measures speed."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("waited %g s for %s" % (seconds, what))
        time.sleep(interval)


def process_table():
    """{pid: parent pid} of every process there is."""
    table = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                # The command name may hold spaces and parentheses.
                fields = f.read().rsplit(")", 1)[1].split()
            table[int(entry)] = int(fields[1])
        except (OSError, IndexError, ValueError):
            pass  # ended meanwhile
    return table


def descendants(root):
    """Every process below `root`, as a list of PIDs."""
    table = process_table()
    found = []
    frontier = [root]
    while frontier:
        parent = frontier.pop()
        children = [pid for pid, ppid in table.items() if ppid == parent]
        found += children
        frontier += children
    return found


def wine_environment(arch, base=None):
    """The environment of cindral_wine_env (tools/env.sh) for `arch` (win32 or
    win64) on top of `base` (default: this process's); makes the prefix on
    first use. The Wine loader is in CINDRAL_WINE. Raises Skipped for win32
    where 32-bit programs cannot run."""
    if arch == "win32":
        require_32bit()
    env = dict(os.environ if base is None else base)
    listing = subprocess.run(["bash", "-c", 'source "$0" && cindral_wine_env "$1" >&2 && env -0', ENV_SH, arch],
                             env=env, stdout=subprocess.PIPE, check=True).stdout
    result = {}
    for entry in listing.split(b"\0"):
        if b"=" in entry:
            key, value = entry.split(b"=", 1)
            result[key.decode()] = value.decode()
    return result


def wine(env, *argv, **kw):
    """Runs a Windows program to its end; keyword arguments go to subprocess.run."""
    kw.setdefault("stdout", subprocess.DEVNULL)
    kw.setdefault("stderr", subprocess.DEVNULL)
    return subprocess.run([env["CINDRAL_WINE"]] + list(argv), env=env, **kw)


def stop_wine(env):
    """Ends every Windows program of the prefix and its server, and waits."""
    subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-w"], env=env, stderr=subprocess.DEVNULL)


def remove_prefix(env):
    """Stops the prefix's server and removes the prefix together with the
    server's folder under the temporary directory, which the prefix names in
    its file 'wineserver' and which would otherwise stay behind."""
    prefix = env["WINEPREFIX"]
    stop_wine(env)
    try:
        with open(os.path.join(prefix, "wineserver")) as f:
            server_dir = f.read().strip()
    except OSError:
        server_dir = ""
    if server_dir and "/" not in server_dir and server_dir.startswith("wine-"):
        shutil.rmtree(os.path.join(env.get("TMPDIR") or "/tmp", server_dir), ignore_errors=True)
    shutil.rmtree(prefix, ignore_errors=True)
    try:
        os.remove(prefix + ".lock")
    except OSError:
        pass


class Xvfb:
    """A private X display of 1024x768 at 24 bits (or `screen`), stopped when
    the `with` block ends:

        with Xvfb() as display: ...      # display is ":N"

    or by start() and stop(). `glx=False` gives a display without OpenGL;
    `extra` adds Xvfb arguments; `log` names a file for Xvfb's messages."""

    def __init__(self, screen="1024x768x24", glx=True, extra=(), log=None):
        self.command = ["Xvfb", "-screen", "0", screen, "-nolisten", "tcp"] + list(extra)
        if not glx:
            self.command += ["-extension", "GLX"]
        self.log = log
        self.process = None

    def start(self, seconds=20):
        read_end, write_end = os.pipe()
        errors = open(self.log, "wb") if self.log else subprocess.DEVNULL
        try:
            # Xvfb picks a free display number itself and reports it, as one
            # line, on the descriptor once it listens.
            self.process = subprocess.Popen(self.command + ["-displayfd", str(write_end)], pass_fds=(write_end,),
                                            stdout=subprocess.DEVNULL, stderr=errors)
        finally:
            os.close(write_end)
            if self.log:
                errors.close()
        try:
            number = b""
            deadline = time.monotonic() + seconds
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise RuntimeError("Xvfb did not start within %d s" % seconds)
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise RuntimeError("Xvfb ended before it reported its display")
                number += chunk
        except BaseException:
            self.stop()
            raise
        finally:
            os.close(read_end)
        return ":" + number.decode().strip()

    def stop(self):
        if self.process is None:
            return
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        return False
