"""What the e2e cases' misbehaving servers share: a log with one line per
event, "UNIX-TIME HH:MM:SS.mmm conn N WHAT", and a listener on a free port of
127.0.0.1 that writes its number to a port file and hands every connection
to a thread of its own until its lifetime is over."""
import argparse
import os
import select
import socket
import threading
import time

_log_lock = threading.Lock()
_log_file = None


def open_log(path):
    global _log_file
    _log_file = open(path, "a")


def log(conn, what):
    now = time.time()
    stamp = time.strftime("%H:%M:%S", time.localtime(now)) + ".%03d" % (now % 1 * 1000)
    with _log_lock:
        _log_file.write("%.3f %s conn %d %s\n" % (now, stamp, conn, what))
        _log_file.flush()


def client_gone(sock, seconds):
    """Waits up to `seconds` for the client to close; true if it did."""
    readable, _, _ = select.select([sock], [], [], seconds)
    if not readable:
        return False
    try:
        return sock.recv(4096) == b""
    except OSError:
        return True


def server_arguments():
    """The options every server takes: --log, --port-file, --lifetime."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lifetime", type=float, default=300)
    return parser


def _converse(handle, sock, conn):
    log(conn, "open")
    try:
        handle(sock, conn)
    except OSError as error:
        log(conn, "closed: %s" % error)
    finally:
        sock.close()


def serve(handle, port_file, lifetime):
    """Calls handle(sock, conn) in a thread per connection, logs its opening
    and a connection error, and closes it; ends the process when the
    lifetime is over."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    with open(port_file + ".tmp", "w") as f:
        f.write("%d\n" % listener.getsockname()[1])
    os.replace(port_file + ".tmp", port_file)

    end = time.monotonic() + lifetime
    conn = 0
    while time.monotonic() < end:
        listener.settimeout(max(0.1, min(1.0, end - time.monotonic())))
        try:
            sock, _ = listener.accept()
        except socket.timeout:
            continue
        conn += 1
        sock.settimeout(None)
        threading.Thread(target=_converse, args=(handle, sock, conn), daemon=True).start()
    log(0, "lifetime over")
    os._exit(0)
