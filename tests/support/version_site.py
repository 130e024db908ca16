#!/usr/bin/env python3
"""The program's web site for the tests: an HTTP proxy on 127.0.0.1 that
answers every request itself, whatever host it names. A CONNECT opens a
tunnel in which the site speaks TLS with the certificate PEM and its key,
and answers there as its mode says; so does a plain request. With --tls, the
site speaks TLS from the first byte instead.

  version_site.py MODE --log FILE --port-file FILE [--body TEXT] [--cert PEM --key PEM]
                  [--tls] [--issuer DER] [--lifetime SECONDS]

MODE:
  serve      200 with TEXT for any path ending in /version.txt, with the
             certificate DER for any ending in /issuer.cer, 404 otherwise
  missing    404 with a small HTML page for everything
  silent     reads the request and never answers
  drip       the answer of serve, one byte a second
  downgrade  over TLS, 301 from every address to the same one over plain
             http, where it answers as serve

Listens on a free port and writes its number to the port file. Each
connection goes to the log as "UNIX-TIME HH:MM:SS.mmm conn N open", each
request as "... conn N request LINE<TAB>agent USER-AGENT" (one inside TLS
as "... conn N tls request ..."). Ends by itself after --lifetime seconds
(default 300) and on SIGTERM.
"""
import select
import ssl
import time

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


def header(head, name):
    return next((h.split(":", 1)[1].strip() for h in head[1:] if h.lower().startswith(name + ":")), "")


def answer(sock, status, kind, body, extra="", pause=0):
    data = ("HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %d\r\n%sConnection: close\r\n\r\n"
            % (status, kind, len(body), extra)).encode() + body
    if not pause:
        sock.sendall(data)
        return
    for i in range(len(data)):
        sock.sendall(data[i:i + 1])
        time.sleep(pause)


def serve_tls(args, sock, conn):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    try:
        tls = context.wrap_socket(sock, server_side=True)
    except (ssl.SSLError, OSError) as error:
        log(conn, "tls refused: %s" % error)
        return
    serve(args, tls, conn, True)


def serve(args, sock, conn, secure=False):
    head = read_head(sock)
    if head is None:
        log(conn, "closed by the client")
        return
    log(conn, "%srequest %s\tagent %s" % ("tls " if secure else "", head[0], header(head, "user-agent")))
    words = head[0].split(" ")
    path = words[1] if len(words) > 1 else ""
    mode, body = args.mode, args.body.encode()
    if words[0] == "CONNECT" and args.cert and not secure:
        sock.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        serve_tls(args, sock, conn)
    elif mode == "silent":
        while not select.select([sock], [], [], 60)[0]:
            pass
        log(conn, "closed by the client")
    elif mode == "downgrade" and secure:
        location = "http://%s%s" % (header(head, "host").split(":")[0], path)
        answer(sock, "301 Moved Permanently", "text/html", b"", "Location: %s\r\n" % location)
    elif mode == "serve" and args.issuer and path.endswith("/issuer.cer"):
        with open(args.issuer, "rb") as f:
            answer(sock, "200 OK", "application/pkix-cert", f.read())
    elif mode in ("serve", "drip", "downgrade") and path.endswith("/version.txt"):
        answer(sock, "200 OK", "text/plain", body, pause=1 if mode == "drip" else 0)
    else:
        answer(sock, "404 Not Found", "text/html", PAGE_404)


def main():
    parser = server_arguments()
    parser.add_argument("mode", choices=["serve", "missing", "silent", "drip", "downgrade"])
    parser.add_argument("--body", default="")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--issuer")
    args = parser.parse_args()
    if (args.mode == "downgrade" or args.tls) and not (args.cert and args.key):
        parser.error("downgrade and --tls need --cert and --key")
    open_log(args.log)
    run_server(lambda sock, conn: (serve_tls if args.tls else serve)(args, sock, conn), args.port_file, args.lifetime)


if __name__ == "__main__":
    main()
