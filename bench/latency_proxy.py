#!/usr/bin/env python3
"""A link with latency for the benchmark: forwards TCP connections from
127.0.0.1 to a server on 127.0.0.1 and holds every chunk for a set one-way
delay, in both directions at once, so a round trip costs twice the delay.

    latency_proxy.py --target PORT --log FILE [--delay-ms 15] [--port 0]
                     [--lifetime 1800]

Prints "port=N" once it listens (N chosen by the system unless --port is
given). On each connection's end it appends to FILE a line
    conn=N down=BYTES up=BYTES ms=DURATION
where down is what the server sent the client and up the other way. Ends on
SIGTERM or SIGINT, or by itself after --lifetime seconds, so a benchmark that
died without cleaning up leaves nothing running for long.
"""
import argparse
import asyncio
import itertools
import selectors
import signal
import socket
import sys
import time

CHUNK_BYTES = 1 << 16
# Chunks held per direction before the reading side waits: bounds what a
# fast sender can park here to a few MB.
QUEUED_CHUNKS = 64
# Once one direction has ended, how long the other may take to end too.
HALF_CLOSED_SECONDS = 10
CONNECT_SECONDS = 10


async def read_into(reader, queue, counts, key):
    """Stamps each chunk on arrival; the writer releases it at stamp + delay,
    so a chunk waits its own delay, not its predecessors' as well."""
    try:
        while True:
            chunk = await reader.read(CHUNK_BYTES)
            if not chunk:
                break
            counts[key] += len(chunk)
            await queue.put((time.monotonic(), chunk))
    except OSError:
        pass
    await queue.put((time.monotonic(), None))


async def write_from(queue, writer, delay):
    try:
        while True:
            stamp, chunk = await queue.get()
            wait = stamp + delay - time.monotonic()
            if wait > 0:
                await asyncio.sleep(wait)
            if chunk is None:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(chunk)
            await writer.drain()
    except OSError:
        pass


def direction(reader, writer, counts, key, delay):
    """Returns the reading task and the writing task of one direction; the
    direction has ended when its writing task has."""
    queue = asyncio.Queue(QUEUED_CHUNKS)
    return (asyncio.ensure_future(read_into(reader, queue, counts, key)),
            asyncio.ensure_future(write_from(queue, writer, delay)))


def no_delay(writer):
    # The delay is ours to add; Nagle's would come on top of it.
    sock = writer.get_extra_info("socket")
    if sock is not None:
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)


class Proxy:
    def __init__(self, target, delay, log):
        self.target = target
        self.delay = delay
        self.log = log
        self.numbers = itertools.count(1)

    async def serve(self, client_reader, client_writer):
        number = next(self.numbers)
        started = time.monotonic()
        counts = {"down": 0, "up": 0}
        server_writer = None
        try:
            server_reader, server_writer = await asyncio.wait_for(
                asyncio.open_connection("127.0.0.1", self.target), CONNECT_SECONDS)
            for writer in (client_writer, server_writer):
                no_delay(writer)
            up = direction(client_reader, server_writer, counts, "up", self.delay)
            down = direction(server_reader, client_writer, counts, "down", self.delay)
            await self.run_until_closed(up, down)
        except (OSError, asyncio.TimeoutError) as error:
            print("latency_proxy: connection %d: %s" % (number, error), file=sys.stderr)
        finally:
            for writer in (client_writer, server_writer):
                if writer is not None:
                    writer.close()
            self.record(number, counts, started)

    async def run_until_closed(self, up, down):
        """Ends when both directions have ended, or a while after one has:
        a peer that closes its side need not be answered for ever."""
        _, still = await asyncio.wait([up[1], down[1]], return_when=asyncio.FIRST_COMPLETED)
        if still:
            await asyncio.wait(still, timeout=HALF_CLOSED_SECONDS)
        tasks = up + down
        for task in tasks:
            task.cancel()
        await asyncio.gather(*tasks, return_exceptions=True)

    def record(self, number, counts, started):
        with open(self.log, "a") as log:
            log.write("conn=%d down=%d up=%d ms=%.1f\n" % (
                number, counts["down"], counts["up"], (time.monotonic() - started) * 1000))


async def main(options):
    proxy = Proxy(options.target, options.delay_ms / 1000.0, options.log)
    server = await asyncio.start_server(proxy.serve, "127.0.0.1", options.port)
    print("port=%d" % server.sockets[0].getsockname()[1], flush=True)
    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for number in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(number, stop.set)
    try:
        await asyncio.wait_for(stop.wait(), options.lifetime)
    except asyncio.TimeoutError:
        print("latency_proxy: lifetime over", file=sys.stderr)
    server.close()


def arguments():
    parser = argparse.ArgumentParser(description="A TCP link with latency.")
    parser.add_argument("--target", type=int, required=True, help="the server's port on 127.0.0.1")
    parser.add_argument("--log", required=True, help="file the per-connection byte counts go to")
    parser.add_argument("--delay-ms", type=float, default=15.0, help="one-way delay")
    parser.add_argument("--port", type=int, default=0, help="port to listen on; 0: any free one")
    parser.add_argument("--lifetime", type=float, default=1800.0, help="seconds before it ends by itself")
    options = parser.parse_args()
    if not 0 < options.target < 65536 or not 0 <= options.port < 65536:
        parser.error("ports are 1 to 65535")
    if options.delay_ms < 0 or options.lifetime <= 0:
        parser.error("the delay may not be negative, the lifetime must be positive")
    return options


def event_loop():
    # epoll and poll wait in whole milliseconds, rounded up, which would add
    # half a millisecond to every delay on average; select waits to the
    # microsecond, and a proxy has few sockets to watch.
    return asyncio.SelectorEventLoop(selectors.SelectSelector())


if __name__ == "__main__":
    with asyncio.Runner(loop_factory=event_loop) as runner:
        runner.run(main(arguments()))
