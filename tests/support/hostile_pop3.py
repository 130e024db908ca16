#!/usr/bin/env python3
"""A POP3 server on 127.0.0.1 that misbehaves in one way, for the e2e cases.

  hostile_pop3.py MODE --log FILE --port-file FILE [--lifetime SECONDS]

MODE:
  drip     the greeting one byte every 10 seconds, never finished
  silent   says nothing at all and reads what comes (a TLS handshake that
           never gets an answer) until the client closes

Listens on a free port and writes its number to the port file. Every
connection goes to the log, each line as "UNIX-TIME HH:MM:SS.mmm conn N WHAT".
Ends by itself after --lifetime seconds (default 300) and on SIGTERM.
"""
from loopback_server import client_gone, log, open_log, server_arguments
from loopback_server import serve as run_server


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


def main():
    parser = server_arguments()
    parser.add_argument("mode", choices=["drip", "silent"])
    args = parser.parse_args()
    open_log(args.log)
    serve = drip if args.mode == "drip" else silent
    run_server(serve, args.port_file, args.lifetime)


if __name__ == "__main__":
    main()
