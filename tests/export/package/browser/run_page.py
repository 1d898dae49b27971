#!/usr/bin/env python3
"""Opens one page of a folder in headless Chromium over a loopback HTTP server and prints the JSON
record the page posts to /result (real time: pages that watch fades and sound need a live clock).

Usage: run_page.py FOLDER PAGE TIMEOUT_SECONDS [CHROMIUM_FLAG...]
Exit status 0 with the record on standard output; 1 with the reason on standard error."""

import http.server
import os
import subprocess
import sys
import tempfile
import threading

CHROMIUM = "/usr/lib/chromium/chromium"


def main():
    folder, page, timeout = sys.argv[1], sys.argv[2], float(sys.argv[3])
    extra = sys.argv[4:]
    record = {}
    arrived = threading.Event()

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=folder, **kwargs)

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            record["body"] = self.rfile.read(length)
            self.send_response(204)
            self.end_headers()
            arrived.set()

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/%s" % (server.server_address[1], page)
    with tempfile.TemporaryDirectory() as profile:
        args = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader",
                "--no-first-run", "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--autoplay-policy=no-user-gesture-required", "--enable-logging=stderr",
                "--v=0", "--user-data-dir=" + profile] + extra + [url]
        log = open(os.path.join(profile, "log"), "w+")
        browser = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=log)
        arrived.wait(timeout)
        browser.kill()
        browser.wait()
        server.shutdown()
        if "body" not in record:
            log.seek(0)
            console = [line for line in log if "CONSOLE" in line]
            sys.stderr.write("no result from %s within %g s\n%s" % (page, timeout, "".join(console[-20:])))
            return 1
    sys.stdout.write(record["body"].decode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
