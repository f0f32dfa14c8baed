"""What the benchmark scripts measure with and how they print it."""
import os
import statistics


def cpu_seconds(pid):
    """User + system processor time of a process and its threads, in seconds."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def spread(values):
    """min / median / max, to two decimals."""
    return "%.2f / %.2f / %.2f" % (min(values), statistics.median(values), max(values))
