#!/usr/bin/env python3
"""Loopback demo server for the downloader.

Serves a small demo installer at /zanq/ZanqPlay.exe (a shell script that
records that it ran and with which arguments), answers hints at
/service/hint, and prints one line per request it receives. It also works as
a plain HTTP proxy target: requests in absolute form ("GET http://host/...")
are matched on their path, so a client pointed at it through http_proxy
reaches it whatever host name it asks for.

Standard library only.
"""

import argparse
import os
import shlex
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

INSTALLER_PATH = "/zanq/ZanqPlay.exe"
HINT_PATH = "/service/hint"


def installer_script(log_path: str, size: int) -> bytes:
    """A #!/bin/sh installer that logs its arguments, padded to `size` bytes."""
    log = shlex.quote(log_path)
    body = (
        "#!/bin/sh\n"
        "# Demo installer served by the downloader's demo server.\n"
        f'echo "installer ran with arguments: $*" >> {log}\n'
        'if [ -n "$DISPLAY" ] && command -v xmessage >/dev/null 2>&1; then\n'
        '  xmessage -timeout 8 -center "Demo installer ran with arguments: $*" '
        ">/dev/null 2>&1 &\n"
        "fi\n"
        "exit 0\n"
    ).encode()
    if size <= len(body):
        return body
    # Padding after "exit 0": never read by the shell, only makes the
    # download long enough to watch.
    line = b"#" + b"." * 62 + b"\n"
    padding = (line * (size // len(line) + 1))[: size - len(body)]
    return body + padding


class DemoHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZanqDemo/1.0"

    def log_message(self, format, *args):  # noqa: A002 - base class name
        pass  # one line per request is printed by report() instead

    def report(self, text: str) -> None:
        self.server.report(f"{self.command} {self.path} -> {text}")

    def do_GET(self):  # noqa: N802 - base class name
        path = urlsplit(self.path).path
        if path.endswith(INSTALLER_PATH):
            self.send_installer()
        elif path.endswith(HINT_PATH):
            self.send_hint()
        else:
            self.send_plain(404, b"not found\n")
            self.report("404")

    def send_plain(self, status: int, body: bytes) -> None:
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_hint(self) -> None:
        query = parse_qs(urlsplit(self.path).query)
        event = query.get("fceid", [""])[0]
        self.send_plain(200, b"ok\n")
        self.report(f"200 hint {event!r}")

    def send_installer(self) -> None:
        body = self.server.installer
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        sent = 0
        chunk = 16 * 1024
        started = time.monotonic()
        try:
            while sent < len(body):
                piece = body[sent : sent + chunk]
                self.wfile.write(piece)
                self.wfile.flush()
                sent += len(piece)
                rate = self.server.rate
                if rate > 0:
                    # Keep to the rate: sleep until this many bytes are due.
                    due = started + sent / rate
                    delay = due - time.monotonic()
                    if delay > 0:
                        time.sleep(delay)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True
            self.report(f"200 installer, client went away after {sent} of {len(body)} bytes")
            return
        self.report(f"200 installer, {sent} bytes")


class DemoServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, installer: bytes, rate: float):
        super().__init__(address, DemoHandler)
        self.installer = installer
        self.rate = rate
        self._lock = threading.Lock()

    def report(self, line: str) -> None:
        with self._lock:
            print(f"[demo-server] {line}", flush=True)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8917, help="0 picks a free port")
    parser.add_argument("--port-file", help="write the bound port here once listening")
    parser.add_argument("--installer-log", default=os.path.join(os.getcwd(), "installer.log"),
                        help="where the demo installer appends a line when it runs")
    parser.add_argument("--installer-size", type=int, default=3 * 1024 * 1024,
                        help="size of the demo installer in bytes")
    parser.add_argument("--rate", type=float, default=1024 * 1024,
                        help="bytes per second for the installer download (0: unlimited)")
    args = parser.parse_args()

    installer = installer_script(os.path.abspath(args.installer_log), args.installer_size)
    server = DemoServer(("127.0.0.1", args.port), installer, args.rate)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(f"{port}\n")
        os.replace(tmp, args.port_file)
    server.report(f"listening on 127.0.0.1:{port}, installer {len(installer)} bytes")
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
