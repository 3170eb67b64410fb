"""A small HTTP server for the tests, on 127.0.0.1 and a free port.

Serves the files of the folder given as the first argument, plus:
  /hang        answers nothing for a minute
  /redirect    redirects to /page.html
  /to-file     redirects to file:///etc/passwd
  /error       answers 500 with a body of its own
  /garbage     answers bytes that are not HTTP at all, then closes
Prints its port on the first line and stops when its standard input closes.
"""
import http.server
import os
import sys
import threading
import time

ROOT = sys.argv[1]


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=ROOT, **kwargs)

    def do_GET(self):
        if self.path == "/hang":
            time.sleep(60)
            return
        if self.path == "/redirect":
            self.send_response(302)
            self.send_header("Location", "/page.html")
            self.end_headers()
            return
        if self.path == "/to-file":
            self.send_response(302)
            self.send_header("Location", "file:///etc/passwd")
            self.end_headers()
            return
        if self.path == "/garbage":
            self.wfile.write(b"\x00\xff\x13 not http \r\n\r\n" * 64)
            self.close_connection = True
            return
        if self.path == "/error":
            body = b"server error page: DOWN\n"
            self.send_response(500)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        super().do_GET()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
os._exit(0)
