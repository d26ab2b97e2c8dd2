#!/usr/bin/env python3
"""Loopback HTTP server for the content tests.

Prints "PORT <n>" once it listens on 127.0.0.1 (a free port unless --port is given). With --tls
it also speaks https on the same port (self-signed certificate made with openssl).

Fixed routes:
  /echo?ct=TYPE&hex=BYTES     200 with that Content-Type (none when ct is absent) and body
  /status/CODE                that status with a small HTML error page
  /redirect/N/REST            N redirects in a row, the last one to /REST
  /slow/MS/REST               waits MS milliseconds, then serves /REST
  /fixture/NAME               a file of --fixtures, Content-Type from its extension
  /bomb.png                   a valid PNG of 5000 x 5000 pixels (100 MB decoded)
  /big.png                    a valid PNG of 4000 x 3000 pixels (48 MB decoded), under the limit
  /huge                       20 MB of bytes
  /drip/MS                    a JSON reply whose body comes one byte every 100 ms for MS ms
  /endless                    a JSON array without end (stops after 64 MiB or when the client
                              goes), without a length
  /deep/N                     a JSON array nested N deep
Routes set by the test:
  PUT /_route/PATH            body = reply body; headers X-Status, X-Content-Type; or header
                              X-Serve: a fixed route above that PATH serves from now on
  GET /_requests              JSON object: path -> number of requests so far
"""
import argparse
import json
import os
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import zlib
from http.server import BaseHTTPRequestHandler

# http and https on one port, as the demo website serves them.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from demo_web import Server  # noqa: E402

TYPES = {".png": "image/png", ".jpg": "image/jpeg", ".gif": "image/gif", ".svg": "image/svg+xml",
         ".json": "application/json; charset=utf-8", ".html": "text/html; charset=utf-8"}


def bomb_png(width=5000, height=5000):
    """A valid RGBA PNG of about 100 KB that decodes to 100 MB of pixels."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    packer = zlib.compressobj(9)
    row = b"\0" * (1 + 4 * width)
    rows = b"".join(packer.compress(row) for _ in range(height)) + packer.flush()
    return b"\x89PNG\r\n\x1a\n" + header + chunk(b"IDAT", rows) + chunk(b"IEND", b"")


class State:
    lock = threading.Lock()
    routes = {}    # path -> (status, content type or None, body)
    requests = {}  # path -> count
    fixtures = "."
    bomb = None
    big = None


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *_):
        pass

    def reply(self, status, body=b"", ctype=None, headers=()):
        self.send_response(status)
        if ctype:
            self.send_header("Content-Type", ctype)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            try:
                self.wfile.write(body)
            except (BrokenPipeError, ConnectionResetError):
                self.close_connection = True  # the client gave up, as some tests want

    def stream(self, unit, count, pause, ctype, size):
        """Sends count pieces of size bytes (unit repeated), pause seconds apart, with no length:
        bounded, and ended early when the client goes."""
        self.send_response(200)
        self.send_header("Content-Type", ctype)
        self.send_header("Connection", "close")
        self.end_headers()
        piece = (unit * (size // len(unit) + 1))[:size]
        try:
            for _ in range(int(count)):
                self.wfile.write(piece)
                self.wfile.flush()
                if pause:
                    time.sleep(pause)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass
        self.close_connection = True

    def do_PUT(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        if not self.path.startswith("/_route/"):
            return self.reply(404)
        path = self.path[len("/_route"):]
        status = int(self.headers.get("X-Status", "200"))
        with State.lock:
            State.routes[path] = (status, self.headers.get("X-Content-Type"), body,
                                  self.headers.get("X-Serve"))
        self.reply(204)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/_requests":
            with State.lock:
                data = json.dumps(State.requests).encode()
            return self.reply(200, data, "application/json")
        with State.lock:
            State.requests[url.path] = State.requests.get(url.path, 0) + 1
        self.serve(url.path, urllib.parse.parse_qs(url.query))

    def serve(self, path, query):
        with State.lock:
            route = State.routes.get(path)
        if route:
            status, ctype, body, alias = route
            if alias:
                return self.serve(alias, query)
            return self.reply(status, body, ctype)
        parts = path.split("/")
        if path == "/echo":
            body = bytes.fromhex(query.get("hex", [""])[0])
            return self.reply(200, body, query.get("ct", [None])[0])
        if len(parts) >= 3 and parts[1] == "status":
            page = b"<html><body>error</body></html>"
            return self.reply(int(parts[2]), page, "text/html")
        if len(parts) >= 3 and parts[1] == "redirect":
            hops, rest = int(parts[2]), "/".join(parts[3:])
            target = "/%s" % rest if hops <= 1 else "/redirect/%d/%s" % (hops - 1, rest)
            return self.reply(302, b"", "text/html", [("Location", target)])
        if len(parts) >= 3 and parts[1] == "slow":
            time.sleep(int(parts[2]) / 1000.0)
            return self.serve("/" + "/".join(parts[3:]), query)
        if len(parts) == 3 and parts[1] == "fixture":
            name = os.path.basename(parts[2])
            try:
                with open(os.path.join(State.fixtures, name), "rb") as f:
                    body = f.read()
            except OSError:
                return self.reply(404, b"not found", "text/plain")
            return self.reply(200, body, TYPES.get(os.path.splitext(name)[1], "application/octet-stream"))
        if path == "/bomb.png":
            with State.lock:
                if State.bomb is None:
                    State.bomb = bomb_png()
            return self.reply(200, State.bomb, "image/png")
        if path == "/big.png":
            with State.lock:
                if State.big is None:
                    State.big = bomb_png(4000, 3000)
            return self.reply(200, State.big, "image/png")
        if path == "/huge":
            return self.reply(200, b"\0" * (20 * 1024 * 1024), "image/png")
        if len(parts) == 3 and parts[1] == "drip":
            return self.stream(b"[" * 1000, int(parts[2]) / 100, 0.1, "application/json", 1)
        if path == "/endless":
            return self.stream(b"[{},", 64 * 1024 * 1024 // 65536, 0, "application/json", 65536)
        if len(parts) == 3 and parts[1] == "deep":
            depth = int(parts[2])
            return self.reply(200, b"[" * depth + b"]" * depth, "application/json")
        return self.reply(404, b"<html><body>not found</body></html>", "text/html")


def self_signed_context(workdir):
    pem = os.path.join(workdir, "feed_server.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                    "-keyout", pem, "-out", pem], check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(pem)
    os.remove(pem)
    os.rmdir(workdir)
    return context


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--fixtures", default=".")
    ap.add_argument("--tls", action="store_true")
    args = ap.parse_args()
    State.fixtures = args.fixtures
    server = Server(("127.0.0.1", args.port), Handler)
    if args.tls:
        server.tls = self_signed_context(tempfile.mkdtemp(prefix="feed-server-"))
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
