"""An SMTP server that refuses every client: it greets with 554 and closes.

Runs on 127.0.0.1 and a free port, prints the port on the first line and stops
when its standard input closes.
"""
import os
import socket
import sys
import threading

listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", 0))
listener.listen(16)
print(listener.getsockname()[1], flush=True)


def serve():
    while True:
        client, _ = listener.accept()
        client.sendall(b"554 No SMTP service here\r\n")
        client.close()


threading.Thread(target=serve, daemon=True).start()
sys.stdin.read()
os._exit(0)
