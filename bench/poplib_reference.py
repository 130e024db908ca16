#!/usr/bin/env python3
"""The everyday client to compare with: Python's poplib doing what a date-mode
poll does, one command at a time: USER, PASS, STAT, TOP j 1 for every j, QUIT.

    poplib_reference.py PORT USER PASSWORD [RUNS]

Prints: runs_ms=... median_ms=... stat=N
"""
import poplib

from timing import run_client


def poll(port, user, password):
    server = poplib.POP3("127.0.0.1", port, timeout=60)
    server.user(user)
    server.pass_(password)
    count, _ = server.stat()
    for number in range(1, count + 1):
        server.top(number, 1)
    server.quit()
    return count


if __name__ == "__main__":
    run_client(poll, __doc__)
