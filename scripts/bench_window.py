#!/usr/bin/python3
"""Playback figures of the whole application against the players people use instead, on the
demo station's stream, each player driven the way a listener drives it:

  window shown      start of the process to its window mapped on the X display (ms)
  first audio       play press to the first audible sample at the sound server (ms)
  CPU / 60 s        CPU seconds of the player and its helpers over 60 s of playback
  RSS, PSS playing  memory of the player's processes after that minute (MB); PSS shares out
                    the pages the processes share with others

Every player plays into the same sound server: a PulseAudio null sink whose monitor is recorded,
so "first audio" is what a listener would hear, measured the same way for all. For our window the
steps from press to sound are printed too, from the timing marks it writes with ZELVORNA_TIMING. Our window is
pressed through the accessibility bus; mpv (idle, --no-video) gets a `loadfile` on its IPC
socket; Goodvibes gets `goodvibes-client play`, which includes that client's own start-up.
The engine alone (zelvorna_play, no window) is the floor for CPU: its "press" is its start.

Medians of --runs runs. Run it on a quiet machine:
    scripts/setup.sh --bench && dbus-run-session -- scripts/bench_window.py [--build build]
Uses ports 8000 and 8080 (the demo station)."""
import argparse
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import demo_station  # noqa: E402
import pyatspi  # noqa: E402
from script_helpers import cpu_seconds, process_tree, pss_mb, rss_mb  # noqa: E402
from window_driver import Desktop, Device, Window, stop_process, wait_until  # noqa: E402

STREAM = "http://127.0.0.1:8000/radiozelvorna"
HEARD_STEP = "sound server: first audible sample"
TITLE = "Rádio Zelvorna - A Melhor"


class SoundServer:
    """A PulseAudio daemon of our own with one null sink; its monitor is what was 'heard'.

    An idle null sink sleeps in blocks of up to two seconds, so the first stream to join it
    waits for the block to end: a delay no sound card has, which would swamp every player's
    figure. A stream of silence at low latency keeps the sink awake, as a card is."""

    def __init__(self, scratch):
        self.runtime = os.path.join(scratch, "pulse-runtime")
        os.makedirs(self.runtime, mode=0o700)
        self.socket = os.path.join(self.runtime, "native")
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
             "--use-pid-file=no", "--log-target=stderr", "-L",
             f"module-native-protocol-unix socket={self.socket} auth-anonymous=1", "-L",
             "module-null-sink sink_name=speakers rate=44100 channels=2"],
            env=dict(os.environ, XDG_RUNTIME_DIR=self.runtime, HOME=scratch),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: subprocess.run(["pactl", "info"], env=self.env(),
                                          capture_output=True).returncode == 0, 10,
                   what="the sound server")
        self.awake = subprocess.Popen(
            ["pacat", "--playback", "-d", "speakers", "--raw", "--format=float32le",
             "--rate=44100", "--channels=2", "--latency-msec=10", "/dev/zero"],
            env=dict(os.environ, **self.env()), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)

    def env(self):
        return {"PULSE_SERVER": "unix:" + self.socket}

    def record(self, path):
        return subprocess.Popen(
            ["parec", "-d", "speakers.monitor", "--format=float32le", "--rate=44100",
             "--channels=2", "--latency-msec=5", path], env=dict(os.environ, **self.env()))

    def stop(self):
        stop_process(self.awake)
        stop_process(self.proc)


class Player:
    name = ""

    def __init__(self, desktop, sound, scratch):
        self.desktop, self.sound, self.scratch = desktop, sound, scratch
        self.proc = None

    def env(self):
        return dict(os.environ, **self.desktop.env(), **self.sound.env())

    def available(self):
        return True

    def launch(self):
        """Starts the process; the launch is timed up to its window showing."""
        raise NotImplementedError

    def ready(self):
        """Returns once the player can be pressed."""
        raise NotImplementedError

    def window_title(self):
        return None

    def press_play(self):
        raise NotImplementedError

    def timing_marks(self):
        """(monotonic ms, step) of the last run, for players that write them."""
        return []

    def pids(self):
        return process_tree(self.proc.pid)

    def quit(self):
        stop_process(self.proc)


class OwnProgram(Player):
    """One of this project's programs, from the build being measured."""

    def __init__(self, executable, *rest):
        super().__init__(*rest)
        self.executable = executable

    def available(self):
        return os.access(self.executable, os.X_OK)


class OurWindow(OwnProgram):
    name = "Radio_Zelvorna"

    def launch(self):
        env = self.env()
        env.update({"SDL_AUDIODRIVER": "pulseaudio", "QTWEBENGINE_DISABLE_SANDBOX": "1",
                    "QTWEBENGINE_CHROMIUM_FLAGS": "--ignore-certificate-errors",
                    "ZELVORNA_TIMING": "1"})
        self.marks_path = os.path.join(self.scratch, "timing.log")
        with open(self.marks_path, "w") as marks:
            self.proc = subprocess.Popen([self.executable], env=env, stdout=subprocess.DEVNULL,
                                         stderr=marks)

    def timing_marks(self):
        marks = []
        with open(self.marks_path, errors="replace") as log:
            for line in log:
                if line.startswith("zelvorna-timing "):
                    _, ms, step = line.rstrip("\n").split(" ", 2)
                    marks.append((float(ms), step))
        return marks

    def ready(self):
        self.window = Window(self.proc.pid)
        self.window.find(pyatspi.ROLE_PUSH_BUTTON, "Tocar", timeout=20)

    def window_title(self):
        return TITLE

    def press_play(self):
        self.window.press(pyatspi.ROLE_PUSH_BUTTON, "Tocar")


class EngineAlone(OwnProgram):
    name = "engine alone (zelvorna_play)"

    def launch(self):
        pass

    def ready(self):
        pass

    def press_play(self):
        env = dict(self.env(), SDL_AUDIODRIVER="pulseaudio")
        self.proc = subprocess.Popen([self.executable, STREAM, "3600"], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Mpv(Player):
    name = "mpv --no-video"

    def available(self):
        return shutil.which("mpv") is not None

    def launch(self):
        self.ipc = os.path.join(self.scratch, "mpv.sock")
        self.proc = subprocess.Popen(
            ["mpv", "--idle=yes", "--no-video", "--no-config", "--ao=pulse", "--no-terminal",
             f"--input-ipc-server={self.ipc}"], env=self.env(), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)

    def ready(self):
        wait_until(lambda: os.path.exists(self.ipc), 10, what="mpv's socket")

    def press_play(self):
        with socket.socket(socket.AF_UNIX) as s:
            s.connect(self.ipc)
            s.sendall(json.dumps({"command": ["loadfile", STREAM]}).encode() + b"\n")

    def quit(self):
        super().quit()
        if os.path.exists(self.ipc):
            os.remove(self.ipc)


class Goodvibes(Player):
    name = "Goodvibes"

    def available(self):
        return shutil.which("goodvibes") is not None

    def env(self):
        env = super().env()
        # Settings of its own, kept in a file here: the listener's real ones stay untouched.
        env.update({"GSETTINGS_BACKEND": "keyfile",
                    "XDG_CONFIG_HOME": os.path.join(self.scratch, "gv-config"),
                    "XDG_DATA_HOME": os.path.join(self.scratch, "gv-data")})
        return env

    def launch(self):
        shutil.rmtree(os.path.join(self.scratch, "gv-config"), ignore_errors=True)
        shutil.rmtree(os.path.join(self.scratch, "gv-data"), ignore_errors=True)
        self.proc = subprocess.Popen(["goodvibes"], env=self.env(), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def ready(self):
        wait_until(lambda: subprocess.run(["goodvibes-client", "playing"], env=self.env(),
                                          capture_output=True).returncode == 0, 20,
                   what="Goodvibes on the bus")

    def window_title(self):
        return "Goodvibes"

    def press_play(self):
        subprocess.run(["goodvibes-client", "play", STREAM], env=self.env(), check=True,
                       capture_output=True)


def steps_after(marks, pressed_ms):
    """The first time each step was marked after the press, in ms after it."""
    steps = {}
    for ms, step in marks:
        if ms >= pressed_ms - 50 and step not in steps:  # the press mark itself may come first
            steps[step] = ms - pressed_ms
    return steps


def one_run(player, play_seconds):
    """Figures of one start-play-quit cycle: (window ms, first audio ms, cpu s, rss MB,
    {step: ms after the press})."""
    heard = os.path.join(player.scratch, "heard.pcm")
    started = time.monotonic()
    player.launch()
    shown = None
    if player.window_title():
        wait_until(lambda: player.desktop.find_window(player.window_title()), 20,
                   interval=0.002, what=f"{player.name}'s window")
        shown = (time.monotonic() - started) * 1000
    player.ready()
    recorder = player.sound.record(heard)
    try:
        device = Device(heard)
        time.sleep(0.5)  # the recorder's stream is running before the press
        mark = device.size()
        pressed = time.monotonic()
        player.press_play()
        wait_until(lambda: device.first_sound(mark) is not None, 30, interval=0.002,
                   what=f"{player.name}'s first audio")
        first = (time.monotonic() - pressed) * 1000
        cpu = rss = pss = None
        if play_seconds:
            time.sleep(2)  # past the start-up burst
            before = cpu_seconds(player.pids())
            time.sleep(play_seconds)
            pids = player.pids()
            cpu = (cpu_seconds(pids) - before) * 60 / play_seconds
            rss = rss_mb(pids)
            pss = pss_mb(pids)
    finally:
        stop_process(recorder)
        player.quit()
        os.remove(heard)
    steps = steps_after(player.timing_marks(), pressed * 1000)
    if steps:
        steps[HEARD_STEP] = first
    return shown, first, cpu, rss, pss, steps


def median_text(values, unit_format):
    values = [v for v in values if v is not None]
    if not values:
        return "—"
    return unit_format.format(statistics.median(values))


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--play-seconds", type=int, default=60,
                    help="playback measured for CPU and memory in each run (0: skip)")
    ap.add_argument("--only", help="measure only the players whose name contains this text")
    args = ap.parse_args()
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:  # the accessibility bus needs a session
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)
    for tool in ("pulseaudio", "parec", "Xvfb"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} is missing: run scripts/setup.sh --bench")

    scratch = tempfile.mkdtemp(prefix="zelvorna-bench-")
    os.chmod(scratch, 0o755)  # Icecast drops root and must still reach its folder in here
    station = demo_station.launch(os.path.join(scratch, "station"),
                                  os.path.join(scratch, "station.log"))
    sound = SoundServer(scratch)
    try:
        with Desktop() as desktop:
            build = os.path.abspath(args.build)
            players = [OurWindow(os.path.join(build, "bin", "Radio_Zelvorna"), desktop, sound,
                                 scratch),
                       EngineAlone(os.path.join(build, "bin", "zelvorna_play"), desktop, sound,
                                   scratch),
                       Mpv(desktop, sound, scratch), Goodvibes(desktop, sound, scratch)]
            rows = []
            breakdown = []
            for player in players:
                if args.only and args.only not in player.name:
                    continue
                if not player.available():
                    rows.append((player.name, "not installed", "", "", "", ""))
                    continue
                results = [one_run(player, args.play_seconds) for _ in range(args.runs)]
                columns = list(zip(*results))
                rows.append((player.name, median_text(columns[0], "{:.0f}"),
                             median_text(columns[1], "{:.0f}"), median_text(columns[2], "{:.2f}"),
                             median_text(columns[3], "{:.0f}"), median_text(columns[4], "{:.0f}")))
                print(f"{player.name}: {results}", file=sys.stderr, flush=True)
                if any(r[5] for r in results):
                    breakdown = step_medians([r[5] for r in results])
    finally:
        sound.stop()
        stop_process(station, 15)
        shutil.rmtree(scratch, ignore_errors=True)

    print(f"\nmedian of {args.runs} runs, demo stream {STREAM}, Xvfb, PulseAudio null sink\n")
    print("| player | window shown (ms) | first audio after play (ms) | CPU s / 60 s "
          "| RSS playing (MB) | PSS playing (MB) |")
    print("|---|---|---|---|---|---|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    if breakdown:
        print(f"\nRadio_Zelvorna, play press to first audible sample, median of {args.runs} runs\n")
        print("| step | ms after the press | ms since the step before |")
        print("|---|---|---|")
        before = 0.0
        for step, ms in breakdown:
            print(f"| {step} | {ms:.0f} | {ms - before:.0f} |")
            before = ms


def step_medians(runs):
    """(step, median ms) in the order the steps happen; steps seen in some runs only are kept."""
    names = {step for steps in runs for step in steps}
    medians = [(step, statistics.median(s[step] for s in runs if step in s)) for step in names]
    return sorted(medians, key=lambda item: item[1])


if __name__ == "__main__":
    main()
