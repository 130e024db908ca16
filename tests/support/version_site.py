#!/usr/bin/env python3
"""The program's web site for the e2e cases: an HTTP proxy on 127.0.0.1 that
answers every request itself, whatever host it names.

  version_site.py MODE --log FILE --port-file FILE [--body TEXT] [--lifetime SECONDS]

MODE:
  serve    200 with TEXT for any path ending in /version.txt, 404 otherwise
  missing  404 with a small HTML page for everything
  silent   accepts, reads the request and never answers

Listens on a free port and writes its number to the port file. Each
connection goes to the log as "UNIX-TIME HH:MM:SS.mmm conn N open", each
request as "... conn N request LINE<TAB>agent USER-AGENT". Ends by itself
after --lifetime seconds (default 300) and on SIGTERM.
"""
import select

from loopback_server import log, open_log, server_arguments
from loopback_server import serve as run_server

PAGE_404 = b"<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\n"


def read_head(sock):
    head = b""
    while b"\r\n\r\n" not in head:
        data = sock.recv(4096)
        if not data:
            return None
        head += data
    return head.split(b"\r\n\r\n", 1)[0].decode("latin-1").split("\r\n")


def answer(sock, status, kind, body):
    sock.sendall(("HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
                  % (status, kind, len(body))).encode() + body)


def serve(mode, body, sock, conn):
    head = read_head(sock)
    if head is None:
        log(conn, "closed by the client")
        return
    agent = next((h.split(":", 1)[1].strip() for h in head[1:] if h.lower().startswith("user-agent:")), "")
    log(conn, "request %s\tagent %s" % (head[0], agent))
    path = head[0].split(" ")[1] if " " in head[0] else ""
    if mode == "silent":
        while not select.select([sock], [], [], 60)[0]:
            pass
        log(conn, "closed by the client")
    elif mode == "serve" and path.endswith("/version.txt"):
        answer(sock, "200 OK", "text/plain", body)
    else:
        answer(sock, "404 Not Found", "text/html", PAGE_404)


def main():
    parser = server_arguments()
    parser.add_argument("mode", choices=["serve", "missing", "silent"])
    parser.add_argument("--body", default="")
    args = parser.parse_args()
    open_log(args.log)
    run_server(lambda sock, conn: serve(args.mode, args.body.encode(), sock, conn), args.port_file, args.lifetime)


if __name__ == "__main__":
    main()
