"""Helpers the scripts share: the process tree of a program with its memory and CPU, and the
audio clips made with ffmpeg for the demo station and the tests' servers."""

import os
import subprocess


def process_tree(pid):
    """pid and every process it started, children first found first; gone ones are skipped."""
    pids = [pid]
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            for child in f.read().split():
                pids += process_tree(int(child))
    except OSError:
        pass
    return pids


def _smaps_kb(pid, field):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            return sum(int(line.split()[1]) for line in f if line.startswith(field + ":"))
    except OSError:
        return 0


def rss_mb(pids):
    return sum(_smaps_kb(pid, "Rss") for pid in pids) / 1024


def pss_mb(pids):
    return sum(_smaps_kb(pid, "Pss") for pid in pids) / 1024


def cpu_seconds(pids):
    ticks = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            ticks += int(fields[11]) + int(fields[12])  # utime, stime
        except OSError:
            pass
    return ticks / os.sysconf("SC_CLK_TCK")


def make_clip(path, expression, seconds, encoder_args, rate=44100):
    """Renders an aevalsrc expression ("left|right" for stereo) with ffmpeg into path, once.

    Several programs may make the same file at once: each writes its own part file and renames
    it into place, so a reader never sees half a clip."""
    if os.path.exists(path):
        return
    suffix = os.path.splitext(path)[1]
    tmp = f"{path}.{os.getpid()}.part{suffix}"
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    f"aevalsrc='{expression}':s={rate}:d={seconds}"] + encoder_args + [tmp],
                   check=True)
    os.replace(tmp, path)
