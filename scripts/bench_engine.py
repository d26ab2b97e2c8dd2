#!/usr/bin/env python3
"""Benchmark of the stream engine against mpv and ffmpeg on a local Icecast2 stream (128 kbit/s
MP3, icecast_station.py), printed as a table; not a test.

Figures: time to first audio (median of N runs, with Icecast's default burst and with the burst
off), CPU seconds per 60 s of playback (shorter runs less a 1 s run's start-up cost, scaled to 60 s,
medians), peak RSS,
and our RSS sampled over a longer run (flat memory). zelvorna_play times from
BASS_StreamCreateURL to the first sample handed to the device; mpv is timed from its start to
its "starting audio playback" log line (its start-up is included)."""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from icecast_station import IcecastStation, free_port  # noqa: E402


def run_measured(cmd, watch=None, env=None, timeout=120):
    """Runs cmd; returns (ms until a stdout/stderr line matched watch, cpu s, peak RSS MB, out)."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            env=env, stdin=subprocess.DEVNULL)
    seen_ms = None
    out = []
    for line in proc.stdout:
        out.append(line)
        if watch and seen_ms is None and re.search(watch, line):
            seen_ms = (time.monotonic() - start) * 1000
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    cpu = usage.ru_utime + usage.ru_stime
    return seen_ms, cpu, usage.ru_maxrss / 1024, "".join(out)


def zplay(binary, url, seconds):
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    _, cpu, rss, out = run_measured([binary, url, str(seconds)], env=env)
    match = re.search(r"first_audio_ms ([\d.]+)", out)
    return (float(match.group(1)) if match else None), cpu, rss


def mpv(url, seconds):
    ms, cpu, rss, _ = run_measured(
        ["mpv", "--no-config", "--load-scripts=no", "--no-video", "--ao=null",
         "--msg-level=all=v", f"--length={seconds}", url], watch=r"starting audio playback")
    return ms, cpu, rss


def ffmpeg(url, seconds):
    _, cpu, rss, _ = run_measured(["ffmpeg", "-nostdin", "-loglevel", "error", "-i", url,
                                   "-t", str(seconds), "-f", "null", "-"])
    return None, cpu, rss


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def fmt(value, unit=""):
    return "n/a" if value is None else f"{value:.2f}{unit}" if value < 10 else f"{value:.0f}{unit}"


def soak(binary, url, seconds, every):
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    proc = subprocess.Popen([binary, url, str(seconds)], stdout=subprocess.DEVNULL, env=env)
    samples = []
    start = time.monotonic()
    while proc.poll() is None:
        try:
            with open(f"/proc/{proc.pid}/status") as f:
                rss = int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1)) / 1024
            samples.append((time.monotonic() - start, rss))
        except (OSError, AttributeError):
            pass
        time.sleep(every)
    return samples


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--runs", type=int, default=5, help="runs per first-audio figure")
    ap.add_argument("--cpu-seconds", type=int, default=20, help="length of each CPU run")
    ap.add_argument("--cpu-runs", type=int, default=3)
    ap.add_argument("--soak-seconds", type=int, default=60, help="600 for the 10-minute check")
    args = ap.parse_args()
    binary = os.path.join(args.build, "bin", "zelvorna_play")
    if not os.path.exists(binary):
        sys.exit(f"bench: {binary} not found; build the zelvorna_play target first")
    workdir = os.path.join(args.build, "bench-icecast")

    rows = []
    for label, burst in (("default burst (64 KB)", 65536), ("burst off", 0)):
        with IcecastStation(port=free_port(), burst_size=burst, title_interval=5,
                            workdir=workdir) as station:
            time.sleep(2)  # let the source fill Icecast's queue, as a station that runs would
            for name, tool in (("zelvorna", lambda: zplay(binary, station.url, 1)),
                               ("mpv", lambda: mpv(station.url, 1))):
                ms = [tool()[0] for _ in range(args.runs)]
                rows.append((label, name, median(ms)))
            if burst:
                cpu, startup, rss = {}, {}, {}
                tools = (("zelvorna", lambda t: zplay(binary, station.url, t)),
                         ("mpv", lambda t: mpv(station.url, t)),
                         ("ffmpeg", lambda t: ffmpeg(station.url, t)))
                for name, tool in tools:
                    # A 1 s run gives the start-up cost, which the per-minute figure leaves out.
                    short = [tool(1) for _ in range(args.cpu_runs)]
                    full = [tool(args.cpu_seconds) for _ in range(args.cpu_runs)]
                    startup[name] = median([r[1] for r in short])
                    cpu[name] = ((median([r[1] for r in full]) - startup[name]) * 60 /
                                 (args.cpu_seconds - 1))
                    rss[name] = max(r[2] for r in full)
                samples = soak(binary, station.url, args.soak_seconds, 5)

    print(f"\nFirst audio, median of {args.runs} runs (ms)")
    print(f"{'icecast':<24}{'zelvorna':>12}{'mpv':>12}")
    for label in dict.fromkeys(r[0] for r in rows):
        values = {name: value for l, name, value in rows if l == label}
        print(f"{label:<24}{fmt(values.get('zelvorna')):>12}{fmt(values.get('mpv')):>12}")
    print(f"\nCPU per 60 s of playback: median of {args.cpu_runs} runs of {args.cpu_seconds} s "
          f"less the median 1 s run (start-up), scaled to 60 s; peak RSS")
    print(f"{'':<24}{'cpu s/min':>12}{'start-up cpu s':>16}{'peak RSS MB':>14}")
    for name in ("zelvorna", "mpv", "ffmpeg"):
        print(f"{name:<24}{fmt(cpu[name]):>12}{fmt(startup[name]):>16}{fmt(rss[name]):>14}")
    print(f"\nzelvorna_play RSS over {args.soak_seconds} s (MB): " +
          " ".join(f"{t:.0f}s:{r:.1f}" for t, r in samples[1::2]))
    if samples:
        tail = [r for t, r in samples if t > 10]
        if tail:
            print(f"growth after the first 10 s: {max(tail) - min(tail):.2f} MB")


if __name__ == "__main__":
    main()
