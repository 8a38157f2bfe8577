#!/usr/bin/env python3
"""A loopback HTTP server (also usable as an HTTP proxy) that answers every
GET with 200 and a large body sent one small piece at a time, so that any
download through it stays in progress until the client gives up.

    windows_smoke_trickle.py PORT_FILE

Listens on a free loopback port, writes the port number to PORT_FILE, and
serves until killed.
"""
import http.server
import socketserver
import sys
import time

BODY_BYTES = 64 * 1024 * 1024
PIECE = b"z" * 512
PAUSE_SECONDS = 0.1


class Trickle(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(BODY_BYTES))
        self.end_headers()
        sent = 0
        try:
            while sent < BODY_BYTES:
                self.wfile.write(PIECE)
                self.wfile.flush()
                sent += len(PIECE)
                time.sleep(PAUSE_SECONDS)
        except OSError:
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    server = Server(("127.0.0.1", 0), Trickle)
    with open(sys.argv[1], "w") as f:
        f.write(str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
