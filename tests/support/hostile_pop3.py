#!/usr/bin/env python3
"""A POP3 server on 127.0.0.1 that misbehaves in one way, for the e2e cases.

  hostile_pop3.py MODE --log FILE --port-file FILE [--lifetime SECONDS]

MODE:
  endless  greeting, +OK to USER and PASS, "+OK 1 100" to STAT, and to TOP an
           endless stream of header lines without the closing dot line
  drip     the greeting one byte every 10 seconds, never finished
  huge     greeting, +OK to USER and PASS, "+OK 2147483647" to STAT, then
           closes the connection
  silent   says nothing at all and reads what comes (a TLS handshake that
           never gets an answer) until the client closes

Listens on a free port and writes its number to the port file. Every
connection and command goes to the log, each line as
"UNIX-TIME HH:MM:SS.mmm conn N WHAT". Ends by itself after --lifetime seconds
(default 300) and on SIGTERM.
"""
import select
import time

from loopback_server import client_gone, log, open_log, server_arguments
from loopback_server import serve as run_server


def read_line(sock, pending):
    while b"\r\n" not in pending[0]:
        data = sock.recv(4096)
        if not data:
            return None
        pending[0] += data
    line, pending[0] = pending[0].split(b"\r\n", 1)
    return line.decode("latin-1")


def drip(sock, conn):
    # "+OK" and then dots, one byte each 10 s; the line never ends.
    sent = 0
    while True:
        sock.sendall(b"+OK"[sent:sent + 1] if sent < 3 else b".")
        sent += 1
        if client_gone(sock, 10):
            log(conn, "closed by the client after %d bytes" % sent)
            return


def silent(sock, conn):
    received = 0
    while True:
        data = sock.recv(4096)
        if not data:
            log(conn, "closed by the client after sending %d bytes" % received)
            return
        received += len(data)


def stream_headers(sock, conn):
    line = b"X-Filler: " + b"x" * 68 + b"\r\n"
    block = b"Received: from nowhere; Mon, 01 Jun 2026 10:00:00 +0000\r\n" + line * 200
    sent = 0
    try:
        while True:  # about 2 MB/s
            sock.sendall(block)
            sent += len(block)
            time.sleep(0.008)
    except OSError:
        log(conn, "closed by the client after %d bytes of headers" % sent)


def serve(mode, sock, conn):
    if mode == "drip":
        drip(sock, conn)
        return
    if mode == "silent":
        silent(sock, conn)
        return
    sock.sendall(b"+OK hostile " + mode.encode() + b" ready\r\n")
    pending = [b""]
    while True:
        command = read_line(sock, pending)
        if command is None:
            log(conn, "closed by the client")
            return
        log(conn, "< " + command)
        verb = command.split(" ")[0].upper()
        if verb in ("USER", "PASS"):
            sock.sendall(b"+OK\r\n")
        elif verb == "STAT" and mode == "huge":
            sock.sendall(b"+OK 2147483647\r\n")
            log(conn, "closed by the server")
            return
        elif verb == "STAT":
            sock.sendall(b"+OK 1 100\r\n")
        elif verb == "TOP" and mode == "endless":
            sock.sendall(b"+OK\r\n")
            stream_headers(sock, conn)
            return
        elif verb == "QUIT":
            sock.sendall(b"+OK bye\r\n")
            log(conn, "closed by the server")
            return
        else:
            sock.sendall(b"-ERR not here\r\n")


def main():
    parser = server_arguments()
    parser.add_argument("mode", choices=["endless", "drip", "huge", "silent"])
    args = parser.parse_args()
    open_log(args.log)
    run_server(lambda sock, conn: serve(args.mode, sock, conn), args.port_file, args.lifetime)


if __name__ == "__main__":
    main()
