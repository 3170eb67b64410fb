"""A real SMTP server for the tests (aiosmtpd), on 127.0.0.1 and a free port.

Arguments: the folder where each received message is stored as a file, and
optionally "login" to offer and require AUTH LOGIN with user "bot", password
"secret", and "ipv6" to listen on ::1 instead. Each message file holds the envelope sender, the recipients, the
authenticated user and the message text. Prints its port on the first line and
stops when its standard input closes.
"""
import os
import socket
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

FOLDER = sys.argv[1]
LOGIN = "login" in sys.argv[2:]
HOST = "::1" if "ipv6" in sys.argv[2:] else "127.0.0.1"


class Store:
    count = 0

    async def handle_DATA(self, server, session, envelope):
        Store.count += 1
        data = session.auth_data
        user = data.decode() if isinstance(data, bytes) else ""
        with open(os.path.join(FOLDER, "mail%d.txt" % Store.count), "wb") as f:
            f.write(("FROM %s\nTO %s\nUSER %s\n\n" % (envelope.mail_from, ",".join(envelope.rcpt_tos), user)).encode())
            f.write(envelope.original_content or envelope.content)
        return "250 OK"


def authenticate(server, session, envelope, mechanism, auth_data):
    if isinstance(auth_data, LoginPassword) and auth_data.login == b"bot" and auth_data.password == b"secret":
        return AuthResult(success=True, auth_data=b"bot")
    return AuthResult(success=False, handled=False)


probe = socket.socket(socket.AF_INET6 if HOST == "::1" else socket.AF_INET)
probe.bind((HOST, 0))
port = probe.getsockname()[1]
probe.close()

options = dict(auth_require_tls=False, authenticator=authenticate, auth_required=LOGIN) if LOGIN else {}
controller = Controller(Store(), hostname=HOST, port=port, server_kwargs=options)
controller.start()
print(port, flush=True)
sys.stdin.read()
controller.stop()
