"""The test environment for the Python scripts: private Xvfb displays, and the
tree's Wine prefixes with the variables that tools/wine-env.sh sets, taken from
that very file so that the shell scripts and these agree."""
import os
import shutil
import subprocess

TOOLS = os.path.dirname(os.path.abspath(__file__))
WINESERVER = "/usr/lib/wine/wineserver64"


def wine_environment(arch, base=None):
    """The environment of tools/wine-env.sh for `arch` (win32 or win64) on
    top of `base` (default: this process's); makes the prefix on first use.
    The Wine loader is in CINDRAL_WINE."""
    env = dict(os.environ if base is None else base)
    listing = subprocess.run(["bash", "-c", 'source "$0" "$1" >&2 && env -0',
                              os.path.join(TOOLS, "wine-env.sh"), arch],
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
    """A private X display, stopped when the `with` block ends:

        with Xvfb() as display: ...      # display is ":N"
    """

    def __init__(self, screen="1024x768x24", glx=True):
        self.screen, self.glx, self.process = screen, glx, None

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        command = ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.screen, "-nolisten", "tcp"]
        if not self.glx:
            command += ["-extension", "GLX"]
        self.process = subprocess.Popen(command, pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.__exit__()
            raise RuntimeError("Xvfb did not start")
        return ":" + number

    def __exit__(self, *exc):
        if self.process is not None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            self.process = None
        return False
