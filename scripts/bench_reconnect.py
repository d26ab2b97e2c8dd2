#!/usr/bin/python3
"""Benchmark: the silence a listener hears when the server drops the connection, for our engine
(zelvorna_play) beside Goodvibes, on one local Icecast2 and one PulseAudio null sink, in the same
run. Each run plays 8 s, then Icecast drops every listener (killclient), and the recording of the
sink is searched for the longest silence after the drop. mpv is left out: it does not reconnect
a dropped live stream, it stops. Prints a table; not a test.

    scripts/bench_reconnect.py [--runs 5]     (scripts/setup.sh --bench installs the peers)
"""
import argparse
import array
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from bench_window import Goodvibes, SoundServer  # noqa: E402
from icecast_station import IcecastStation, free_port  # noqa: E402
from window_driver import Desktop, stop_process, wait_until  # noqa: E402

RATE = 44100
PLAY_BEFORE_DROP = 8
LISTEN_AFTER_DROP = 14


def longest_silence(path, since, threshold=0.01):
    """Seconds of the longest silence between sounds in the float stereo recording from byte
    offset since; None when it is still silent at the end (the sound never came back)."""
    with open(path, "rb") as f:
        f.seek(since - since % 8)
        data = f.read()
    samples = array.array("f")
    samples.frombytes(data[: len(data) - len(data) % 8])
    longest = run = 0
    for i in range(0, len(samples) - 1, 2):
        if abs(samples[i]) > threshold or abs(samples[i + 1]) > threshold:
            longest = max(longest, run)
            run = 0
        else:
            run += 1
    if run > RATE:
        return None
    return longest / RATE


class EngineAlone:
    name = "zelvorna (engine)"

    def __init__(self, binary, sound, url):
        self.binary, self.sound, self.url = binary, sound, url

    def available(self):
        return os.access(self.binary, os.X_OK)

    def start(self):
        env = dict(os.environ, SDL_AUDIODRIVER="pulseaudio", **self.sound.env())
        self.proc = subprocess.Popen(
            [self.binary, self.url, str(PLAY_BEFORE_DROP + LISTEN_AFTER_DROP + 5)], env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        stop_process(self.proc)


class GoodvibesPlayer:
    name = "Goodvibes"

    def __init__(self, desktop, sound, scratch, url):
        self.player = Goodvibes(desktop, sound, scratch)
        self.url = url

    def available(self):
        return self.player.available()

    def start(self):
        self.player.launch()
        self.player.ready()
        subprocess.run(["goodvibes-client", "play", self.url], env=self.player.env(), check=True,
                       capture_output=True)

    def stop(self):
        self.player.quit()


def one_run(player, station, sound, scratch):
    heard = os.path.join(scratch, "heard.pcm")
    recorder = sound.record(heard)
    try:
        player.start()
        wait_until(lambda: os.path.exists(heard) and os.path.getsize(heard) > RATE * 8, 20,
                   what="the recording")
        time.sleep(PLAY_BEFORE_DROP)
        mark = os.path.getsize(heard)
        dropped = station.drop_listeners()
        time.sleep(LISTEN_AFTER_DROP)
        return longest_silence(heard, mark) if dropped else None
    finally:
        player.stop()
        stop_process(recorder)
        if os.path.exists(heard):
            os.remove(heard)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:  # Goodvibes is driven over the session bus
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)
    for tool in ("pulseaudio", "parec"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} is missing: run scripts/setup.sh --bench")
    binary = os.path.join(os.path.abspath(args.build), "bin", "zelvorna_play")
    scratch = tempfile.mkdtemp(prefix="zelvorna-reconnect-")
    os.chmod(scratch, 0o755)
    sound = SoundServer(scratch)
    rows = []
    try:
        with IcecastStation(port=free_port(), workdir=os.path.join(scratch, "icecast")) as station, \
                Desktop() as desktop:
            time.sleep(2)
            players = [EngineAlone(binary, sound, station.url),
                       GoodvibesPlayer(desktop, sound, scratch, station.url)]
            for player in players:
                if not player.available():
                    rows.append((player.name, "not installed", ""))
                    continue
                gaps = [one_run(player, station, sound, scratch) for _ in range(args.runs)]
                print(f"{player.name}: {gaps}", file=sys.stderr, flush=True)
                back = [g for g in gaps if g is not None]
                median = f"{statistics.median(back) * 1000:.0f}" if back else "—"
                rows.append((player.name, median, f"{len(back)} of {len(gaps)}"))
    finally:
        sound.stop()
        shutil.rmtree(scratch, ignore_errors=True)

    print(f"\nsilence heard after the server drops the listener, median of {args.runs} runs\n")
    print("| player | silence after a drop (ms) | runs with audio again |")
    print("|---|---|---|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    print("| mpv --no-video | — | does not reconnect: playback stops |")


if __name__ == "__main__":
    main()
