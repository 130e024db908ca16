#!/usr/bin/env python3
"""The lower bound: after USER, PASS and STAT, every TOP j 1 goes out at once
and the replies are read as they come, so the time is the server's own work
plus one round trip, not one round trip per message.

    burst_reference.py PORT USER PASSWORD [RUNS]

Prints: runs_ms=... median_ms=... stat=N
"""
import socket
import threading

from timing import run_client


class Session:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=60)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.data = b""

    def fill(self):
        chunk = self.sock.recv(1 << 20)
        if not chunk:
            raise SystemExit("the server closed the connection")
        self.data += chunk

    def line(self):
        while b"\r\n" not in self.data:
            self.fill()
        line, self.data = self.data.split(b"\r\n", 1)
        return line

    def ask(self, command):
        self.sock.sendall(command + b"\r\n")
        reply = self.line()
        if not reply.startswith(b"+OK"):
            raise SystemExit("%s refused: %r" % (command.split()[0].decode(), reply))
        return reply

    def multiline_replies(self, count):
        """Reads count multi-line replies; each ends with a line of one dot.
        Only the ends are counted, so nothing is kept but a short tail."""
        window = self.data
        seen = window.count(b"\r\n.\r\n")
        while seen < count:
            # Four bytes cannot hold a whole terminator, so none is counted twice.
            window = window[-4:]
            chunk = self.sock.recv(1 << 20)
            if not chunk:
                raise SystemExit("the server closed the connection")
            window += chunk
            seen += window.count(b"\r\n.\r\n")
        self.data = b""


def poll(port, user, password):
    session = Session(port)
    session.line()
    session.ask(b"USER " + user.encode())
    session.ask(b"PASS " + password.encode())
    count = int(session.ask(b"STAT").split()[1])
    commands = b"".join(b"TOP %d 1\r\n" % n for n in range(1, count + 1))
    # Written from another thread: with thousands of commands the server's
    # replies could fill the buffers while we are still sending.
    sender = threading.Thread(target=session.sock.sendall, args=(commands,))
    sender.start()
    session.multiline_replies(count)
    sender.join()
    session.ask(b"QUIT")
    session.sock.close()
    return count


if __name__ == "__main__":
    run_client(poll, __doc__)
