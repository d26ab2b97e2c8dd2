#!/usr/bin/env python3
"""The demo station's website on loopback: the two feeds, their pictures, the statistics page and
the promotions page. Plain http and https share one port (a TLS client speaks first, with a
handshake byte 0x16). Prints "READY http://localhost:PORT" once it serves; SIGTERM stops it.

    demo_web.py [--port 8080] [--cert PEM] [--workdir DIR]

Without --cert a self-signed certificate for localhost is made once in the work folder."""
import argparse
import html
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(HERE, "demo")
FEED_HOST = b"http://localhost:8080"  # how the sample feeds name this site
TYPES = {".png": "image/png", ".jpg": "image/jpeg", ".gif": "image/gif", ".svg": "image/svg+xml"}
# The sponsor feed says its charset; the programme feed is served the way many hosts serve JSON,
# without one.
FEEDS = {"/patrocinadores.json": "application/json; charset=utf-8",
         "/programacao.json": "application/json"}


def page(title, body):
    return ("<!DOCTYPE html><html lang=\"pt-BR\"><head><meta charset=\"utf-8\">"
            "<title>%s</title></head><body><h1>%s</h1>%s</body></html>"
            % (html.escape(title), html.escape(title), body)).encode("utf-8")


class Site:
    lock = threading.Lock()
    visits = 0
    port = 8080


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZelvornaDemo/1.0"

    def log_message(self, *_):
        pass

    def reply(self, status, body, ctype):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if self.command != "HEAD":
            try:
                self.wfile.write(body)
            except (BrokenPipeError, ConnectionResetError):
                self.close_connection = True

    def not_found(self):
        self.reply(404, page("Página não encontrada", ""), "text/html; charset=utf-8")

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        if path in FEEDS:
            with open(os.path.join(DEMO, path.lstrip("/")), "rb") as f:
                body = f.read().replace(FEED_HOST, b"http://localhost:%d" % Site.port)
            return self.reply(200, body, FEEDS[path])
        if path == "/estatistica_app.php":
            with Site.lock:
                Site.visits += 1
                count = Site.visits
            return self.reply(200, page("Estatística", "<p>Visitas do aplicativo: %d</p>" % count),
                              "text/html; charset=utf-8")
        if path == "/estatistica_visitas.txt":
            with Site.lock:
                count = Site.visits
            return self.reply(200, b"%d\n" % count, "text/plain; charset=utf-8")
        if path == "/promocoes.php":
            return self.reply(200, page("Promoções da Rádio Zelvorna",
                                        "<p>Ouça, participe e concorra a cestas de café da manhã "
                                        "da Padaria São João toda sexta-feira.</p>"),
                              "text/html; charset=utf-8")
        parts = path.split("/")
        if len(parts) == 3 and parts[1] == "img":
            name = os.path.basename(parts[2])
            ctype = TYPES.get(os.path.splitext(name)[1])
            try:
                with open(os.path.join(DEMO, "img", name), "rb") as f:
                    body = f.read()
            except OSError:
                return self.not_found()
            return self.reply(200, body, ctype or "application/octet-stream")
        if len(parts) == 3 and parts[1] in ("parceiros", "programas") and parts[2]:
            title = parts[2].replace("-", " ").title()
            return self.reply(200, page(title, "<p>Página de demonstração.</p>"),
                              "text/html; charset=utf-8")
        return self.not_found()


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    tls = None

    def get_request(self):
        conn, addr = super().get_request()
        if self.tls:
            # http and https on one port: a TLS client speaks first with a handshake (0x16).
            conn.settimeout(5)
            try:
                first = conn.recv(1, socket.MSG_PEEK)
            except OSError:
                first = b""
            conn.settimeout(None)
            if first == b"\x16":
                conn = self.tls.wrap_socket(conn, server_side=True, do_handshake_on_connect=False)
        return conn, addr

    def finish_request(self, request, client_address):
        if isinstance(request, ssl.SSLSocket):
            try:
                request.do_handshake()
            except (ssl.SSLError, OSError):
                return
        super().finish_request(request, client_address)


def certificate(workdir, given):
    if given:
        return given
    pem = os.path.join(workdir, "demo-web.pem")
    if not os.path.exists(pem):
        os.makedirs(workdir, exist_ok=True)
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
                        "-subj", "/CN=localhost",
                        "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                        "-keyout", pem, "-out", pem], check=True, capture_output=True)
    return pem


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--port", type=int, default=8080)
    ap.add_argument("--cert", help="PEM file with certificate and key")
    ap.add_argument("--workdir", default=os.path.join(HERE, "..", "demo-run", "web"))
    args = ap.parse_args()
    try:
        server = Server(("127.0.0.1", args.port), Handler)
    except OSError as error:
        print("demo web: port %d on 127.0.0.1 is taken (%s); stop whatever listens there or "
              "choose another with --port." % (args.port, error.strerror), file=sys.stderr)
        return 2
    Site.port = server.server_address[1]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate(os.path.abspath(args.workdir), args.cert))
    server.tls = context

    def stop(*_):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print("READY http://localhost:%d https://localhost:%d" % (Site.port, Site.port), flush=True)
    server.serve_forever()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
