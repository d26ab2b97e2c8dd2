#!/usr/bin/env python3
"""Start-up figures of the application, offscreen: start to first frame (median of 5, beside a
bare Qt Quick window in the same run) and memory (RSS and PSS of the application and its helper
processes) after start and once the hidden statistics page has been released.

Usage: scripts/bench_app.py [--build build] [--runs 5] [--settle 60]
The demo website is started on port 8080 (the application's default site host) for the run."""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from script_helpers import process_tree, pss_mb, rss_mb  # noqa: E402
FRAME = "Frame rendered"


def env_for_run():
    env = dict(os.environ)
    env.update({
        "QT_QPA_PLATFORM": "offscreen",
        "QT_QUICK_BACKEND": "software",
        "QT_LOGGING_RULES": "qt.scenegraph.time.renderloop.debug=true",
        "SDL_AUDIODRIVER": "dummy",
        "QTWEBENGINE_DISABLE_SANDBOX": "1",
        "QTWEBENGINE_CHROMIUM_FLAGS": "--ignore-certificate-errors",
        "XDG_RUNTIME_DIR": tempfile.mkdtemp(prefix="zbench-xdg-"),
    })
    return env


def time_to_first_frame(cmd, env):
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, env=env,
                            text=True)
    elapsed = None
    for line in proc.stderr:
        if FRAME in line:
            elapsed = time.monotonic() - start
            break
    proc.kill()
    proc.wait()
    return elapsed


def memory(pid):
    """RSS of the application, and PSS of it and every process it started, in MB."""
    pids = process_tree(pid)
    return rss_mb([pid]), pss_mb(pids), len(pids)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--settle", type=int, default=60)
    args = ap.parse_args()
    app = os.path.join(args.build, "bin", "Radio_Zelvorna")
    env = env_for_run()

    web = subprocess.Popen([sys.executable, os.path.join(HERE, "demo_web.py"), "--port", "8080",
                            "--workdir", tempfile.mkdtemp(prefix="zbench-web-")],
                           stdout=subprocess.PIPE, text=True)
    if not web.stdout.readline().startswith("READY"):
        sys.exit("demo website did not start (port 8080 taken?)")
    try:
        bare = os.path.join(tempfile.mkdtemp(prefix="zbench-"), "bare.qml")
        with open(bare, "w") as f:
            f.write("import QtQuick\nWindow { width: 424; height: 989; visible: true;"
                    " Rectangle { anchors.fill: parent; color: 'white' } }\n")
        peers = [("Radio_Zelvorna", [app]), ("bare Qt Quick window", ["/usr/lib/qt6/bin/qml", bare])]
        print(f"start to first frame, offscreen, median of {args.runs} (ms)")
        for name, cmd in peers:
            if not os.path.exists(cmd[0]):
                print(f"  {name:24s} not available ({cmd[0]})")
                continue
            times = [time_to_first_frame(cmd, env) for _ in range(args.runs)]
            times = [t for t in times if t is not None]
            if times:
                print(f"  {name:24s} {statistics.median(times) * 1000:7.0f}"
                      f"   (min {min(times) * 1000:.0f}, max {max(times) * 1000:.0f})")

        proc = subprocess.Popen([app], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        print("memory of the application (MB): RSS of the app, PSS of the app and its helpers")
        samples = sorted({5, 15, args.settle})
        begun = time.monotonic()
        for at in samples:
            time.sleep(max(0, at - (time.monotonic() - begun)))
            rss, pss, count = memory(proc.pid)
            print(f"  {at:3d} s after start: RSS {rss:6.1f}   PSS {pss:6.1f}   processes {count}")
        proc.kill()
        proc.wait()
    finally:
        web.terminate()
        web.wait()


if __name__ == "__main__":
    main()
