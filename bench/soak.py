#!/usr/bin/env python3
"""Mixed load against a running palvex: files, ranges, 304s, listings,
thumbnails, chat, cam images, wrong credentials, garbage, drips and resets.
Every request kind knows the answers it may earn; anything else is an error.
Samples resident memory and threads of the server process."""
import random
import socket
import struct
import sys
import threading
import time
from collections import Counter

HOST = "127.0.0.1"


def exchange(port, data, timeout=20, reset_after=None, drip=False):
    """Sends data, returns the status code (int), 0 for no answer."""
    s = socket.create_connection((HOST, port), timeout=timeout)
    try:
        if drip:
            for i in range(0, len(data), 3):
                s.sendall(data[i:i + 3])
                time.sleep(0.02)
        else:
            s.sendall(data)
        if reset_after is not None:
            s.recv(reset_after)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return -1
        head = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            head += chunk
            if len(head) > 64 and b"\r\n" in head:
                # Read the rest without keeping it.
                while s.recv(65536):
                    pass
                break
        if not head:
            return 0
        return int(head.split(b" ", 2)[1])
    finally:
        s.close()


def get(path, extra=b""):
    return b"GET " + path.encode() + b" HTTP/1.0\r\n" + extra + b"\r\n"


def kinds(last_modified):
    ims = b"If-Modified-Since: " + last_modified.encode() + b"\r\n"
    return [
        ("small", lambda p: exchange(p, get("/small.txt")), {200}),
        ("large", lambda p: exchange(p, get("/large.bin")), {200, 503}),
        ("range", lambda p: exchange(p, get("/large.bin", b"Range: bytes=1000-1999\r\n")), {206, 503}),
        ("304", lambda p: exchange(p, get("/small.txt", ims)), {304}),
        ("listing", lambda p: exchange(p, get("/pics/?fpp=5&first=" + str(random.randint(0, 20)))), {200}),
        ("thumbnail", lambda p: exchange(p, get("/pics/img%d.bmp?tn=%d" % (random.randint(0, 9), random.choice([64, 120])))), {200}),
        ("extra", lambda p: exchange(p, get("/*extra/dir.css")), {200}),
        ("chat-post", lambda p: exchange(p, b"POST /*chat/post.html HTTP/1.0\r\nContent-Length: 33\r\n\r\nnick=soak&txt=hello+%C3%BC+world!"), {200}),
        ("chat-poll", lambda p: exchange(p, get("/*chat/messages.html")), {200, 304}),
        ("cam", lambda p: exchange(p, get("/*cam/image.jpg?width=%d" % random.choice([160, 320]))), {200}),
        ("wrong-credentials", lambda p: exchange(p, get("/private/secret.txt", b"Authorization: Basic d3Jvbmc6d3Jvbmc=\r\n")), {401}),
        ("garbage", lambda p: exchange(p, bytes(random.getrandbits(8) for _ in range(random.randint(1, 3000))) + b"\r\n\r\n"), {0, 400, 404, 200}),
        ("drip", lambda p: exchange(p, get("/small.txt"), drip=True), {200}),
        ("reset", lambda p: exchange(p, get("/large.bin"), reset_after=1000), {-1}),
    ]


def rss_and_threads(pid):
    rss = threads = 0
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
            elif line.startswith("Threads:"):
                threads = int(line.split()[1])
    return rss, threads


def main():
    port, pid, seconds, last_modified = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    clients = int(sys.argv[5]) if len(sys.argv) > 5 else 8
    table = kinds(last_modified)
    counts, errors = Counter(), Counter()
    lock = threading.Lock()
    stop = time.time() + seconds

    def client(seed):
        rnd = random.Random(seed)
        while time.time() < stop:
            name, run, allowed = rnd.choice(table)
            try:
                status = run(port)
            except OSError as e:
                status = "oserror:" + type(e).__name__
            with lock:
                counts[name] += 1
                if status not in allowed:
                    errors["%s -> %s" % (name, status)] += 1

    workers = [threading.Thread(target=client, args=(i,)) for i in range(clients)]
    for w in workers:
        w.start()
    samples = []
    start = time.time()
    print("%6s %10s %8s %10s" % ("time", "rss KiB", "threads", "requests"))
    while any(w.is_alive() for w in workers):
        time.sleep(5)
        rss, threads = rss_and_threads(pid)
        samples.append(rss)
        print("%6.0f %10d %8d %10d" % (time.time() - start, rss, threads, sum(counts.values())), flush=True)
    for w in workers:
        w.join()
    time.sleep(3)
    idle_rss, idle_threads = rss_and_threads(pid)
    print("requests by kind:", dict(counts))
    print("errors:", dict(errors) or "none")
    # Single samples swing with thumbnails and frames in flight, so quarters
    # are compared: the last quarter against the quarter before the last half.
    load = samples[:-1] if len(samples) > 4 else samples
    q = max(1, len(load) // 4)
    second = sum(load[q:2 * q] or load[:q]) / len(load[q:2 * q] or load[:q])
    last = sum(load[-q:]) / len(load[-q:])
    growth = (last - second) * 100.0 / second
    print("memory start/middle/end KiB: %d / %d / %d; mean of the 2nd quarter %d, of the last %d: growth %.1f%%"
          % (samples[0], samples[len(samples) // 2], samples[-1], second, last, growth))
    print("threads after the load: %d" % idle_threads)
    sys.exit(1 if errors or growth >= 5.0 else 0)


if __name__ == "__main__":
    main()
