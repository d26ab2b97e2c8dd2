#!/usr/bin/env python3
"""Scripted stream server for the engine tests, on 127.0.0.1 and a free port (printed as
"PORT n"). Paths:

  /icy          "ICY 200 OK", icy-name/icy-br/icy-metaint, looping sine MP3 at real-time pace
                after a burst, a new title ("Song N") every second of audio
  /http         "HTTP/1.0 200 OK", audio/mpeg, the same audio without metadata
  /short        a 2 s MP3, sent whole, then the connection closes
  /mono         a mono MP3, sent whole
  /redirect     302 to /http
  /list.pls     playlist whose first entry is /icy (relative entries in /list.m3u)
  /missing      404
  /page         text/html
  /silent       accepts the request and never answers
  /drops        as /icy, but every connection closes after 3 s of audio; titles go on counting
                across connections ("Song N" for the N-th second of audio sent in all)
  /stall        as /drops, but the first connection falls silent for 10 s after 3 s instead
  /gone         2 s of audio on the first connection, then 404 for every later one
  /noise        200 audio/mpeg, then random bytes (no audio) for up to 60 s
  /capsname     "ICY 200 OK" whose field names are in capitals ("ICY-NAME:Radio Z")
  /coded/NAME   the 440 Hz sine in another format, sent whole with its media type (NAME: aac,
                aacp, vorbis, opus, flac, and aac-untyped: ADTS sent as application/octet-stream)
The audio is made with ffmpeg on first use and cached in --cache.
"""
import argparse
import os
import random
import socket
import socketserver
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts"))
from script_helpers import make_clip  # noqa: E402

METAINT = 8000
BYTES_PER_SECOND = 16000  # 128 kbit/s
BURST = 48000             # three seconds ahead, like Icecast's burst-on-connect


def make_mp3(path, expression, seconds, channels):
    layout = expression if channels == 1 else f"{expression}|{expression}"
    make_clip(path, layout, seconds,
              ["-c:a", "libmp3lame", "-b:a", "128k" if channels == 2 else "64k", "-ar", "44100"])


# name: (ffmpeg encoder and muxer arguments, file suffix, media type sent)
CODED = {
    "aac": (["-c:a", "aac", "-b:a", "128k", "-f", "adts"], "aac", "audio/aac"),
    "aacp": (["-c:a", "aac", "-b:a", "64k", "-f", "adts"], "aac", "audio/aacp"),
    "vorbis": (["-c:a", "libvorbis", "-q:a", "4", "-f", "ogg"], "ogg", "audio/ogg"),
    "opus": (["-c:a", "libopus", "-b:a", "96k", "-ar", "48000", "-f", "ogg"], "opus",
             "application/ogg"),
    "flac": (["-c:a", "flac", "-f", "flac"], "flac", "audio/flac"),
}


def make_coded(path, encoder_args):
    make_clip(path, "0.5*sin(2*PI*440*t)|0.5*sin(2*PI*440*t)", 6, encoder_args)


# Chained Ogg, as Vorbis and Opus stations send it: one logical stream per song, each with its
# comments. Two songs of CHAIN_SECONDS each.
CHAIN_SECONDS = 1.5
CHAIN_ARTIST = "Zelvorna Trio"


def make_chain(cache, name, encoder_args, suffix):
    parts = []
    for song in (1, 2):
        path = os.path.join(cache, f"chain-{name}-{song}.{suffix}")
        make_clip(path, "0.5*sin(2*PI*440*t)|0.5*sin(2*PI*440*t)", CHAIN_SECONDS,
                  encoder_args + ["-metadata", f"artist={CHAIN_ARTIST}",
                                  "-metadata", f"title=Canção {song}"])
        with open(path, "rb") as f:
            parts.append(f.read())
    return b"".join(parts)


def meta_block(text):
    data = text.encode("utf-8")
    data += b"\0" * ((16 - len(data) % 16) % 16)
    return bytes([len(data) // 16]) + data


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = self.request.recv(4096)
            if not chunk:
                return
            request += chunk
            if len(request) > 65536:
                return
        line = request.split(b"\r\n", 1)[0].decode("latin-1")
        parts = line.split(" ")
        path = parts[1] if len(parts) > 1 else "/"
        wants_meta = b"icy-metadata: 1" in request.lower()
        route = {
            "/icy": self.icy, "/http": self.http, "/short": self.short, "/mono": self.mono,
            "/redirect": self.redirect, "/list.pls": self.pls, "/list.m3u": self.m3u,
            "/missing": self.missing, "/page": self.page, "/silent": self.silent,
            "/drops": self.drops, "/stall": self.stall, "/gone": self.gone,
            "/noise": self.noise, "/capsname": self.capsname,
        }.get(path.split("?")[0], self.missing)
        try:
            if path.startswith("/coded/"):
                self.coded(path[len("/coded/"):])
                return
            if path.startswith("/chain/"):
                name = path[len("/chain/"):]
                if name in self.server.chains:
                    self.whole(self.server.chains[name], CODED[name][2].encode())
                else:
                    self.missing(None)
                return
            route(wants_meta)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def send(self, data):
        self.request.sendall(data)

    def paced(self, chunks, burst=BURST):
        """Sends chunks (audio bytes count, bytes) with a burst, then in real time."""
        start = time.monotonic()
        sent = 0
        for audio_bytes, data in chunks:
            self.send(data)
            sent += audio_bytes
            ahead = (sent - burst) / BYTES_PER_SECOND - (time.monotonic() - start)
            if ahead > 0:
                time.sleep(ahead)
            if time.monotonic() - start > 60:
                return

    def looping(self):
        audio = self.server.sine
        pos = 0
        while True:
            yield audio[pos:pos + 1000]
            pos = (pos + 1000) % (len(audio) - len(audio) % 1000)

    def icy(self, wants_meta, seconds=None, first_block=0, burst=BURST):
        """ICY stream; with seconds, the connection closes after that much audio. Titles count
        from first_block (two metadata blocks, one second of audio, per title)."""
        self.send(b"ICY 200 OK\r\nicy-name:Zelvorna Test\r\nicy-br:128\r\n"
                  b"icy-genre:Test\r\ncontent-type:audio/mpeg\r\n" +
                  (f"icy-metaint:{METAINT}\r\n".encode() if wants_meta else b"") + b"\r\n")
        limit = None if seconds is None else int(seconds * 2)

        def chunks():
            source = self.looping()
            blocks = first_block
            while limit is None or blocks < first_block + limit:
                body = b""
                while len(body) < METAINT:
                    body += next(source)
                yield METAINT, body[:METAINT]
                if wants_meta:
                    # Two blocks (one second) per title; the repeat is an empty block.
                    song = blocks // 2 + 1
                    text = f"StreamTitle='Song {song}';StreamUrl='';"
                    yield 0, meta_block(text) if blocks % 2 == 0 else b"\0"
                blocks += 1
        self.paced(chunks(), burst)

    def connection_number(self, path):
        with self.server.lock:
            n = self.server.connections.get(path, 0)
            self.server.connections[path] = n + 1
            return n

    def drops(self, wants_meta):
        n = self.connection_number("/drops")
        self.icy(wants_meta, seconds=3, first_block=n * 6, burst=METAINT)

    def stall(self, wants_meta):
        n = self.connection_number("/stall")
        self.icy(wants_meta, seconds=3, first_block=n * 6, burst=METAINT)
        if n == 0:
            self.server.stopped.wait(10)

    def gone(self, wants_meta):
        if self.connection_number("/gone") == 0:
            self.icy(wants_meta, seconds=2)
        else:
            self.missing(None)

    def noise(self, _):
        self.send(b"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n")
        rng = random.Random(7)
        start = time.monotonic()
        while time.monotonic() - start < 60 and not self.server.stopped.is_set():
            # No MPEG frame sync (eleven set bits) anywhere: bytes below 0xE0 only.
            self.send(bytes(rng.randrange(0, 0xE0) for _ in range(4096)))
            time.sleep(0.01)

    def capsname(self, _):
        self.send(b"ICY 200 OK\r\nICY-NAME:Radio Z\r\nICY-BR:128\r\n"
                  b"CONTENT-TYPE:audio/mpeg\r\n\r\n")
        self.paced((len(c), c) for c in self.looping())

    def http(self, _):
        self.send(b"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-br:128\r\n"
                  b"icy-name:Zelvorna HTTP\r\n\r\n")
        self.paced((len(c), c) for c in self.looping())

    def whole(self, data, media_type=b"audio/mpeg"):
        self.send(b"HTTP/1.0 200 OK\r\nContent-Type: " + media_type + b"\r\nContent-Length: " +
                  str(len(data)).encode() + b"\r\n\r\n" + data)

    def coded(self, name):
        if name == "aac-untyped":
            self.whole(self.server.coded["aac"], b"application/octet-stream")
        elif name in self.server.coded:
            self.whole(self.server.coded[name], CODED[name][2].encode())
        else:
            self.missing(None)

    def short(self, _):
        self.whole(self.server.short)

    def mono(self, _):
        self.whole(self.server.mono)

    def redirect(self, _):
        self.send(b"HTTP/1.1 302 Found\r\nLocation: /http\r\nContent-Length: 0\r\n\r\n")

    def pls(self, _):
        body = b"[playlist]\r\nNumberOfEntries=1\r\nFile1=/icy\r\nTitle1=Test\r\nVersion=2\r\n"
        self.send(b"HTTP/1.0 200 OK\r\nContent-Type: audio/x-scpls\r\nContent-Length: " +
                  str(len(body)).encode() + b"\r\n\r\n" + body)

    def m3u(self, _):
        body = b"#EXTM3U\n#EXTINF:-1,Test\nhttp\n"
        self.send(b"HTTP/1.0 200 OK\r\nContent-Type: audio/x-mpegurl\r\n\r\n" + body)

    def missing(self, _):
        self.send(b"HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<h1>404</h1>")

    def page(self, _):
        self.send(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>" +
                  b"<p>Not a stream.</p>" * 50 + b"</body></html>")

    def silent(self, _):
        self.server.stopped.wait(30)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cache", required=True)
    args = ap.parse_args()
    os.makedirs(args.cache, exist_ok=True)
    sine = os.path.join(args.cache, "sine440.mp3")
    short = os.path.join(args.cache, "short.mp3")
    mono = os.path.join(args.cache, "mono440.mp3")
    make_mp3(sine, "0.5*sin(2*PI*440*t)", 10, 2)
    make_mp3(short, "0.5*sin(2*PI*440*t)", 2, 2)
    make_mp3(mono, "0.5*sin(2*PI*440*t)", 4, 1)
    server = Server(("127.0.0.1", 0), Handler)
    server.stopped = threading.Event()
    server.lock = threading.Lock()
    server.connections = {}  # path -> connections so far
    with open(sine, "rb") as f:
        server.sine = f.read()
    with open(short, "rb") as f:
        server.short = f.read()
    with open(mono, "rb") as f:
        server.mono = f.read()
    server.coded = {}
    for name, (encoder_args, suffix, _) in CODED.items():
        coded = os.path.join(args.cache, f"sine440-{name}.{suffix}")
        make_coded(coded, encoder_args)
        with open(coded, "rb") as f:
            server.coded[name] = f.read()
    server.chains = {name: make_chain(args.cache, name, CODED[name][0], CODED[name][1])
                     for name in ("vorbis", "opus")}
    print(f"PORT {server.server_address[1]}", flush=True)
    # Ends with its parent: the test closes our stdin.
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()
    server.stopped.set()
    server.shutdown()


if __name__ == "__main__":
    main()
