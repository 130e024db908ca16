#!/usr/bin/env python3
"""The program's web site for the tests: an HTTP proxy on 127.0.0.1 that
answers every request itself, whatever host it names (with --tls, a site
that speaks TLS from the first byte instead).

  version_site.py MODE --log FILE --port-file FILE [--body TEXT] [--cert PEM --key PEM]
                  [--tls] [--issuer DER] [--lifetime SECONDS]

MODE:
  serve     200 with TEXT for any path ending in /version.txt, with the
            certificate DER for any ending in /issuer.cer, 404 otherwise
  missing   404 with a small HTML page for everything
  silent    accepts, reads the request and never answers
  drip      the answer of serve, one byte a second
  redirect  301 from every http address to the same one over https; a
            CONNECT opens a tunnel in which the site serves over TLS, with
            the certificate PEM and its key, as in serve

Listens on a free port and writes its number to the port file. Each
connection goes to the log as "UNIX-TIME HH:MM:SS.mmm conn N open", each
request as "... conn N request LINE<TAB>agent USER-AGENT" (one inside a
tunnel as "... conn N tls request ..."). Ends by itself
after --lifetime seconds (default 300) and on SIGTERM.
"""
import select
import ssl
import time
from urllib.parse import urlsplit

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


def serve(args, sock, conn, tunnelled=False):
    head = read_head(sock)
    if head is None:
        log(conn, "closed by the client")
        return
    agent = next((h.split(":", 1)[1].strip() for h in head[1:] if h.lower().startswith("user-agent:")), "")
    log(conn, "%srequest %s\tagent %s" % ("tls " if tunnelled else "", head[0], agent))
    words = head[0].split(" ")
    path = words[1] if len(words) > 1 else ""
    mode, body = args.mode, args.body.encode()
    if mode == "redirect" and words[0] == "CONNECT" and not tunnelled:
        sock.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        serve_tls(args, sock, conn)
    elif mode == "redirect" and not tunnelled:
        url = urlsplit(path)
        answer(sock, "301 Moved Permanently", "text/html", b"", "Location: https://%s%s\r\n" % (url.hostname, url.path))
    elif mode == "silent":
        while not select.select([sock], [], [], 60)[0]:
            pass
        log(conn, "closed by the client")
    elif mode == "serve" and args.issuer and path.endswith("/issuer.cer"):
        with open(args.issuer, "rb") as f:
            answer(sock, "200 OK", "application/pkix-cert", f.read())
    elif mode in ("serve", "drip", "redirect") and path.endswith("/version.txt"):
        answer(sock, "200 OK", "text/plain", body, pause=1 if mode == "drip" else 0)
    else:
        answer(sock, "404 Not Found", "text/html", PAGE_404)


def main():
    parser = server_arguments()
    parser.add_argument("mode", choices=["serve", "missing", "silent", "drip", "redirect"])
    parser.add_argument("--body", default="")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--issuer")
    args = parser.parse_args()
    if (args.mode == "redirect" or args.tls) and not (args.cert and args.key):
        parser.error("redirect and --tls need --cert and --key")
    open_log(args.log)
    run_server(lambda sock, conn: (serve_tls if args.tls else serve)(args, sock, conn), args.port_file, args.lifetime)


if __name__ == "__main__":
    main()
