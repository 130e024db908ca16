#!/usr/bin/env python3
"""The everyday client to compare with: Python's poplib doing what a date-mode
poll does, one command at a time: USER, PASS, STAT, TOP j 1 for every j, QUIT.

    poplib_reference.py PORT USER PASSWORD [RUNS]

Prints: runs_ms=... median_ms=... stat=N
"""
import poplib
import statistics
import sys
import time


def poll(port, user, password):
    server = poplib.POP3("127.0.0.1", port, timeout=60)
    server.user(user)
    server.pass_(password)
    count, _ = server.stat()
    for number in range(1, count + 1):
        server.top(number, 1)
    server.quit()
    return count


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    port, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    runs = int(sys.argv[4]) if len(sys.argv) == 5 else 1
    times = []
    count = 0
    for _ in range(runs):
        started = time.perf_counter()
        count = poll(port, user, password)
        times.append((time.perf_counter() - started) * 1000)
    print("runs_ms=%s median_ms=%.2f stat=%d"
          % (",".join("%.2f" % t for t in times), statistics.median(times), count))


if __name__ == "__main__":
    main()
