#!/usr/bin/python3
"""The engine through a sound server that goes away and comes back, as PipeWire or PulseAudio do
on updates and when a listener fixes their sound: a PulseAudio daemon of the test's own with a
null sink, the engine alone (zelvorna_play) playing a loopback stream into it, and what reaches
the sink recorded from its monitor.

Usage (the CTest entry runs it so): sound_server_restart.py --build DIR --cache DIR"""
import argparse
import array
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RATE = 44100
AUDIBLE = 8000  # of 32767: the test sine plays at half scale


class SoundServer:
    """pulseaudio -n with one null sink, its socket in a folder of its own."""

    def __init__(self, folder):
        self.folder = folder
        self.socket = os.path.join(folder, "native")
        self.process = None

    def env(self):
        return dict(os.environ, PULSE_SERVER="unix:" + self.socket, XDG_RUNTIME_DIR=self.folder,
                    HOME=self.folder)

    def start(self):
        self.process = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
             "--log-target=stderr", "-L",
             f"module-native-protocol-unix auth-anonymous=1 socket={self.socket}",
             "-L", "module-null-sink sink_name=out rate=44100"],
            env=self.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if subprocess.run(["pactl", "info"], env=self.env(), capture_output=True).returncode == 0:
                return
            time.sleep(0.05)
        raise RuntimeError("the sound server did not start")

    def stop(self, sig=signal.SIGTERM):
        if self.process and self.process.poll() is None:
            self.process.send_signal(sig)
            self.process.wait(10)

    def record(self, path):
        return subprocess.Popen(["parec", "-d", "out.monitor", "--format=s16le", f"--rate={RATE}",
                                 "--channels=2", "--raw", "--latency-msec=20"],
                                env=self.env(), stdout=open(path, "wb"),
                                stderr=subprocess.DEVNULL)


def first_audible_second(path):
    samples = array.array("h", open(path, "rb").read())
    for i, value in enumerate(samples):
        if abs(value) > AUDIBLE:
            return i / 2 / RATE
    return None


class SoundServerRestart(unittest.TestCase):
    build = None
    cache = None

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zelvorna-sound-")
        os.chmod(self.folder, 0o700)
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        self.server = SoundServer(self.folder)
        self.server.start()
        self.addCleanup(self.server.stop, signal.SIGKILL)
        self.station = subprocess.Popen(
            [sys.executable, os.path.join(TOP, "tests", "support", "icy_server.py"),
             "--cache", self.cache], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.addCleanup(self.station.wait, 10)
        self.addCleanup(self.station.stdin.close)
        port = self.station.stdout.readline().split()[1]
        self.url = f"http://127.0.0.1:{port}/http"

    def play(self, seconds):
        log = open(os.path.join(self.folder, "play.log"), "w")
        player = subprocess.Popen(
            [os.path.join(self.build, "bin", "zelvorna_play"), self.url, str(seconds)],
            env=dict(self.server.env(), SDL_AUDIODRIVER="pulseaudio"), stdout=log,
            stderr=subprocess.STDOUT)
        self.addCleanup(lambda: player.poll() is None and player.kill())
        return player

    def player_said(self):
        with open(os.path.join(self.folder, "play.log")) as log:
            return [line.strip() for line in log if line.startswith("output ")]

    def check_restart(self, sig, down_seconds):
        self.play(30)
        before = os.path.join(self.folder, "before.raw")
        recorder = self.server.record(before)
        time.sleep(3)
        recorder.terminate()
        recorder.wait()
        self.assertIsNotNone(first_audible_second(before), "sound before the restart")

        self.server.stop(sig)
        time.sleep(down_seconds)
        self.server.start()
        after = os.path.join(self.folder, "after.raw")
        recorder = self.server.record(after)
        time.sleep(4)
        recorder.terminate()
        recorder.wait()
        back = first_audible_second(after)
        self.assertIsNotNone(back, "sound after the sound server came back")
        self.assertLess(back, 2.5, "seconds from the server's return to sound")
        self.assertEqual(self.player_said()[:2], ["output lost", "output back"])

    def test_server_ends_and_is_back_a_second_later(self):
        self.check_restart(signal.SIGTERM, 1)

    def test_server_killed_and_back_three_seconds_later(self):
        self.check_restart(signal.SIGKILL, 3)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--cache", required=True)
    args, rest = parser.parse_known_args()
    SoundServerRestart.build = os.path.abspath(args.build)
    SoundServerRestart.cache = os.path.abspath(args.cache)
    os.makedirs(SoundServerRestart.cache, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
