"""What the benchmark scripts measure with and how they print it."""
import os
import statistics
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
import cindral_env  # noqa: E402


def _stat_seconds(stat):
    """User + system processor seconds from the text of a /proc stat file."""
    # The command name may hold spaces and parentheses.
    fields = stat.rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User + system processor time of a process and its threads, in seconds."""
    with open("/proc/%d/stat" % pid) as f:
        return _stat_seconds(f.read())


def machine_busy_seconds():
    """Processor seconds the whole machine has been busy, all processors
    together, from the kernel's first line of /proc/stat: with the measured
    processes' own time taken off, how much else ran during a window."""
    with open("/proc/stat") as f:
        user, nice, system, idle, iowait, irq, softirq, steal = (int(n) for n in f.readline().split()[1:9])
    return (user + nice + system + irq + softirq + steal) / os.sysconf("SC_CLK_TCK")


def thread_cpu_seconds(pid, by):
    """cpu_seconds of the threads of a process, added up under by(name) for
    each thread's name."""
    total = {}
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/stat" % (pid, task)) as f:
                stat = f.read()
        except OSError:
            continue  # ended meanwhile
        key = by(stat[stat.index("(") + 1:stat.rindex(")")])
        total[key] = total.get(key, 0.0) + _stat_seconds(stat)
    return total


def tree_cpu_seconds(root, by=None):
    """cpu_seconds of `root` and every process below it; with `by`, a dict of
    those seconds added up under by(pid) instead. A process that ends inside
    a measured window takes its time with it: measure trees whose processes
    stay."""
    total = {}
    for pid in [root] + cindral_env.descendants(root):
        try:
            seconds = cpu_seconds(pid)
            key = by(pid) if by else None
        except OSError:
            continue
        total[key] = total.get(key, 0.0) + seconds
    return total if by else total.get(None, 0.0)


def spread(values):
    """min / median / max, to two decimals."""
    return "%.2f / %.2f / %.2f" % (min(values), statistics.median(values), max(values))


def load_average():
    """The 1-minute load average, for the figures' record."""
    return os.getloadavg()[0]


def build_preload(work, source):
    """A shared object built in `work` from a C file of tools/bench/, to
    preload into a program; its path."""
    shared = os.path.join(work, os.path.splitext(source)[0] + ".so")
    subprocess.run(["cc", "-O2", "-shared", "-fPIC", "-o", shared, os.path.join(HERE, source), "-ldl"], check=True)
    return shared


class CountedRun:
    """Frames per second and processor milliseconds per frame of a program
    drawing with GL on an X display, its frames counted where it presents
    them (swap_counter.c, preloaded), both over the same window after a
    warm-up; with `server`, the X server's processor milliseconds per frame
    of the program's over that window too, and how many processors the rest
    of the machine kept busy on average meanwhile. `preload` adds shared
    objects to load before the counter. Build the counter once per work
    folder:

        counter = CountedRun.build(work)
        fps, ms, server_ms, others = counter.run(command, display, server_pid, warmup, seconds)
    """

    def __init__(self, work, shim):
        self.work = work
        self.shim = shim

    @classmethod
    def build(cls, work):
        return cls(work, build_preload(work, "swap_counter.c"))

    def swaps(self):
        with open(os.path.join(self.work, "swaps"), "rb") as f:
            return struct.unpack("<Q", f.read(8))[0]

    def run(self, command, display, server_pid, warmup, seconds, env=None, preload=()):
        counter = os.path.join(self.work, "swaps")
        with open(counter, "wb") as f:
            f.write(bytes(8))
        environment = dict(os.environ, DISPLAY=display, LD_PRELOAD=" ".join(list(preload) + [self.shim]),
                           CINDRAL_SWAP_COUNT_FILE=counter, MESA_SHADER_CACHE_DISABLE="true", HOME=self.work)
        environment.update(env or {})
        program = subprocess.Popen(command, env=environment, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            cindral_env.wait_for("the first frame of %s" % command[0], lambda: self.swaps() > 0, 30)
            time.sleep(warmup)
            server0, busy0 = cpu_seconds(server_pid) if server_pid else 0.0, machine_busy_seconds()
            frames0, cpu0, t0 = self.swaps(), cpu_seconds(program.pid), time.monotonic()
            time.sleep(seconds)
            frames1, cpu1, t1 = self.swaps(), cpu_seconds(program.pid), time.monotonic()
            server1, busy1 = cpu_seconds(server_pid) if server_pid else 0.0, machine_busy_seconds()
        finally:
            program.terminate()
            program.wait()
        frames = max(frames1 - frames0, 1)
        others = (busy1 - busy0) - (cpu1 - cpu0) - (server1 - server0)
        return (frames / (t1 - t0), 1000.0 * (cpu1 - cpu0) / frames,
                1000.0 * (server1 - server0) / frames, others / (t1 - t0))
