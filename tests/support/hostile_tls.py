#!/usr/bin/env python3
"""TLS servers on 127.0.0.1 that misbehave in one way each, for the TLS
conformance tests.

  hostile_tls.py PKI_DIR --dir DIR --log FILE [--lifetime SECONDS]

One listener per mode on a free port of 127.0.0.1, its number in
DIR/MODE.port; the server shows localhost.pem of PKI_DIR:
  tls13    speaks TLS 1.3 only
  tls10    speaks TLS 1.0 only
  empty    after the handshake, empty application-data records without a
           pause for 10 s, then "+OK late"
  padded   after the handshake, a greeting of 16380 bytes ("+OK " and "x"s
           up to its CRLF) in one record with 255 bytes of CBC padding: the
           longest record TLS 1.2 lets such a cipher send

The last two write their records themselves (AES-128-CBC with HMAC-SHA1,
keys from the master secret OpenSSL logs to DIR/hostile-tls.keys), since no
TLS library sends them. Every connection goes to the log. Ends after
--lifetime seconds (default 3600) and on SIGTERM.
"""
import argparse
import hashlib
import hmac
import os
import select
import socket
import ssl
import subprocess
import threading
import time

from loopback_server import client_gone, log, open_log

MODES = ("tls13", "tls10", "empty", "padded")
APPLICATION_DATA = 23
# Encrypt-then-MAC would change the record layout written below.
OP_NO_ENCRYPT_THEN_MAC = 1 << 19
PADDED_LENGTH = 16380  # with 20 bytes of MAC and 256 of padding, whole blocks


def context(pki, mode, keylog):
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(os.path.join(pki, "localhost.pem"), os.path.join(pki, "localhost.key"))
    if mode == "tls13":
        ctx.minimum_version = ctx.maximum_version = ssl.TLSVersion.TLSv1_3
    elif mode == "tls10":
        ctx.set_ciphers("DEFAULT:@SECLEVEL=0")
        ctx.minimum_version = ctx.maximum_version = ssl.TLSVersion.TLSv1
    else:
        ctx.minimum_version = ctx.maximum_version = ssl.TLSVersion.TLSv1_2
        ctx.set_ciphers("ECDHE-RSA-AES128-SHA")
        ctx.options |= ssl.OP_NO_TICKET | OP_NO_ENCRYPT_THEN_MAC
        ctx.keylog_filename = keylog
    return ctx


def prf(secret, label, seed, size):
    """TLS 1.2's PRF over SHA-256."""
    out, a = b"", label + seed
    while len(out) < size:
        a = hmac.new(secret, a, hashlib.sha256).digest()
        out += hmac.new(secret, a + label + seed, hashlib.sha256).digest()
    return out[:size]


def hello_random(flight):
    # Record header (5), handshake header (4), version (2), then 32 bytes.
    return flight[11:43]


def handshake(sock, ctx):
    """Runs the server's handshake through memory BIOs, so that nothing but
    the handshake goes out; the two hello randoms, or None."""
    incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
    tls = ctx.wrap_bio(incoming, outgoing, server_side=True)
    client_random = server_random = None
    while True:
        try:
            tls.do_handshake()
            done = True
        except ssl.SSLWantReadError:
            done = False
        except ssl.SSLError:
            sock.sendall(outgoing.read())  # the alert that says why
            raise
        flight = outgoing.read()
        if flight:
            server_random = server_random or hello_random(flight)
            sock.sendall(flight)
        if done:
            return client_random, server_random
        data = sock.recv(65536)
        if not data:
            return None
        client_random = client_random or hello_random(data)
        incoming.write(data)


class RecordWriter:
    """The server's records after the handshake: its Finished was number 0."""

    def __init__(self, keylog, client_random, server_random):
        master = None
        for _ in range(100):  # OpenSSL logs the secret as the handshake ends
            with open(keylog) as f:
                for line in f:
                    words = line.split()
                    if len(words) == 3 and words[0] == "CLIENT_RANDOM" and words[1] == client_random.hex():
                        master = bytes.fromhex(words[2])
            if master:
                break
            time.sleep(0.01)
        block = prf(master, b"key expansion", server_random + client_random, 2 * 20 + 2 * 16)
        self.mac_key = block[20:40]
        self.key = block[56:72]
        self.sequence = 1

    def records(self, plains, padding=None):
        """The records of the texts, in order, encrypted in one run of the
        cipher: each record's explicit IV is the block before it."""
        header = bytes([APPLICATION_DATA, 3, 3])
        bodies = []
        for plain in plains:
            mac = hmac.new(self.mac_key, self.sequence.to_bytes(8, "big") + header + len(plain).to_bytes(2, "big") +
                           plain, hashlib.sha1).digest()
            self.sequence += 1
            body = plain + mac
            pad = 15 - len(body) % 16 if padding is None else padding
            bodies.append(body + bytes([pad]) * (pad + 1))
        iv = os.urandom(16)
        encrypted = subprocess.run(["openssl", "enc", "-aes-128-cbc", "-nopad", "-K", self.key.hex(), "-iv", iv.hex()],
                                   input=b"".join(bodies), capture_output=True, check=True).stdout
        out, at = [], 0
        for body in bodies:
            out += [header, (len(iv) + len(body)).to_bytes(2, "big"), iv, encrypted[at:at + len(body)]]
            at += len(body)
            iv = encrypted[at - 16:at]
        return b"".join(out)


def serve(pki, directory, mode, sock, conn):
    keylog = os.path.join(directory, "hostile-tls.keys")
    try:
        randoms = handshake(sock, context(pki, mode, keylog))
    except (ssl.SSLError, OSError) as error:
        log(conn, "%s: handshake failed: %s" % (mode, error))
        return
    if randoms is None:
        log(conn, "%s: closed by the client during the handshake" % mode)
        return
    log(conn, "%s: handshake done" % mode)
    if mode not in ("empty", "padded"):
        client_gone(sock, 10)
        return
    writer = RecordWriter(keylog, *randoms)
    if mode == "padded":
        greeting = b"+OK " + b"x" * (PADDED_LENGTH - 6) + b"\r\n"
        sock.sendall(writer.records([greeting], padding=255))
        client_gone(sock, 10)
        return
    # In batches far faster than a client decrypts them, so that one is
    # always waiting on its socket.
    end = time.monotonic() + 10
    while time.monotonic() < end:
        sock.sendall(writer.records([b""] * 10000))
    sock.sendall(writer.records([b"+OK late\r\n"]))
    client_gone(sock, 10)


def converse(pki, directory, mode, sock, conn):
    log(conn, "%s: open" % mode)
    try:
        serve(pki, directory, mode, sock, conn)
    except OSError as error:
        log(conn, "%s: closed: %s" % (mode, error))
    finally:
        sock.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("pki")
    parser.add_argument("--dir", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--lifetime", type=float, default=3600)
    args = parser.parse_args()
    open_log(args.log)
    listeners = {}
    for mode in MODES:
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(8)
        listeners[listener] = mode
        port_file = os.path.join(args.dir, mode + ".port")
        with open(port_file + ".tmp", "w") as f:
            f.write("%d\n" % listener.getsockname()[1])
        os.replace(port_file + ".tmp", port_file)
    end = time.monotonic() + args.lifetime
    conn = 0
    while time.monotonic() < end:
        readable, _, _ = select.select(list(listeners), [], [], 1.0)
        for listener in readable:
            sock, _ = listener.accept()
            conn += 1
            threading.Thread(target=converse, args=(args.pki, args.dir, listeners[listener], sock, conn),
                             daemon=True).start()
    log(0, "lifetime over")
    os._exit(0)


if __name__ == "__main__":
    main()
