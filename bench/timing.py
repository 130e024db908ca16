"""The command line and timing that the reference clients share."""
import statistics
import sys
import time


def run_client(poll, usage):
    """Runs poll(port, user, password) as often as asked and prints the times."""
    if len(sys.argv) not in (4, 5):
        sys.exit(usage)
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
