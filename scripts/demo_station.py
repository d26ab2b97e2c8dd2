#!/usr/bin/env python3
"""Demo station on loopback: Icecast2 with /radiozelvorna on port 8000, over https and http both
(the demo station's own certificate, scripts/demo/tls, which only builds made for the demo
station trust), and the station's website (feeds, pictures, statistics and promotions pages) on
port 8080. Ctrl+C or SIGTERM stops both."""
import argparse
import os
import signal
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from icecast_station import port_taken  # noqa: E402


def start(cmd, name, timeout):
    """Starts a child that prints a line beginning with READY once it serves."""
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=sys.stderr, text=True,
                            start_new_session=True)
    ready = threading.Event()
    line_seen = []

    def pump():
        for line in proc.stdout:
            if line.startswith("READY") and not ready.is_set():
                line_seen.append(line.strip())
                ready.set()
            else:
                sys.stdout.write(f"[{name}] {line}")
                sys.stdout.flush()

    threading.Thread(target=pump, daemon=True).start()
    deadline = time.monotonic() + timeout
    while not ready.wait(0.1):
        if proc.poll() is not None or time.monotonic() > deadline:
            stop(proc)
            raise RuntimeError(f"{name} did not start (exit code {proc.poll()})")
    return proc, line_seen[0]


def stop(proc):
    if proc.poll() is None:
        os.killpg(proc.pid, signal.SIGTERM)
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()


def launch(workdir, log_path, title_interval=5, timeout=120):
    """Runs the demo station as a child process that logs to log_path, and returns it once it
    serves; SIGTERM stops it. For the tests and benchmarks that need the whole station."""
    with open(log_path, "w") as log:
        proc = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "--workdir", workdir, "--title-interval",
             str(title_interval)], stdout=log, stderr=subprocess.STDOUT)

    def log_text():
        with open(log_path) as log:
            return log.read()

    deadline = time.monotonic() + timeout
    while "READY" not in log_text():
        if proc.poll() is not None or time.monotonic() > deadline:
            proc.terminate()
            proc.wait()
            raise RuntimeError("the demo station did not start:\n" + log_text())
        time.sleep(0.2)
    return proc


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--stream-port", type=int, default=8000)
    ap.add_argument("--web-port", type=int, default=8080)
    ap.add_argument("--workdir", default=os.path.join(HERE, "..", "demo-run"))
    ap.add_argument("--title-interval", type=int, default=5)
    args = ap.parse_args()

    taken = [p for p in (args.stream_port, args.web_port) if port_taken(p)]
    if taken:
        print("demo station: port(s) %s already in use on 127.0.0.1; stop whatever listens there "
              "(for example an earlier demo station: 'pkill -f demo_station.py', or a system "
              "icecast2 service: 'systemctl stop icecast2') and try again."
              % ", ".join(map(str, taken)), file=sys.stderr)
        return 2
    os.makedirs(args.workdir, exist_ok=True)
    workdir = os.path.abspath(args.workdir)

    children = []

    def shutdown(*_):
        for child in reversed(children):
            stop(child)
        sys.exit(0)

    signal.signal(signal.SIGTERM, shutdown)
    signal.signal(signal.SIGINT, shutdown)
    try:
        stream, stream_line = start(
            [sys.executable, os.path.join(HERE, "icecast_station.py"), "--port",
             str(args.stream_port), "--mount", "/radiozelvorna", "--title-interval",
             str(args.title_interval), "--workdir", os.path.join(workdir, "icecast"), "--tls"],
            "stream", 60)
        children.append(stream)
        web, web_line = start(
            [sys.executable, os.path.join(HERE, "demo_web.py"), "--port", str(args.web_port),
             "--workdir", os.path.join(workdir, "web")],
            "web", 30)
        children.append(web)
    except RuntimeError as error:
        print(f"demo station: {error}", file=sys.stderr)
        shutdown()
        return 1
    print(f"READY stream {stream_line[6:]} web {web_line[6:]}", flush=True)
    while all(c.poll() is None for c in children):
        time.sleep(0.5)
    print("demo station: a server ended unexpectedly", file=sys.stderr)
    shutdown()


if __name__ == "__main__":
    sys.exit(main())
