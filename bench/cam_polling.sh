#!/usr/bin/env bash
# Webcam polling: palvex -headless with the test camera, 50 clients (half at
# the full size, half at width=160) each asking for /*cam/image.jpg every
# 200 ms. Counts what the clients see: every encoding holds a new frame, so
# the distinct JPEG bodies of a size are its encodings.
# Usage: bench/cam_polling.sh [seconds] [clients]   (build first: ninja -C build)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
clients=${2:-50}
palvex=${PALVEX:-build/palvex}
work=$(mktemp -d /tmp/palvex-bench-XXXXXX)
cleanup() { kill "${ppid:-}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

mkdir -p "$work/www"
chmod 755 "$work"
touch "$work/palvex"
pport=18436

"$palvex" -headless -camera=test -ActAsOriginExe="$work/palvex" Port=$pport Root="$work/www/" \
  >/dev/null 2>&1 &
ppid=$!
sleep 1

python3 - "$pport" "$seconds" "$clients" <<'PY'
import hashlib, http.client, sys, threading, time
from collections import defaultdict

port, seconds, clients = int(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3])
PERIOD = 0.2
WIDTHS = (320, 160)
seen = {w: {} for w in WIDTHS}  # body digest -> first time seen
counts = defaultdict(int)
errors = defaultdict(int)
lock = threading.Lock()
start = time.monotonic() + 0.5

def client(n):
    width = WIDTHS[n % len(WIDTHS)]
    t = start + PERIOD * n / clients  # spread the clients over one period
    while t < start + seconds:
        time.sleep(max(0.0, t - time.monotonic()))
        try:
            c = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
            c.request("GET", f"/*cam/image.jpg?width={width}&random={n}")
            r = c.getresponse()
            body = r.read()
            c.close()
            ok = r.status == 200 and r.getheader("Content-Type") == "image/jpeg"
        except OSError:
            ok = False
        now = time.monotonic()
        with lock:
            if not ok:
                errors[width] += 1
            else:
                counts[width] += 1
                seen[width].setdefault(hashlib.sha1(body).digest(), now)
        t += PERIOD

threads = [threading.Thread(target=client, args=(n,)) for n in range(clients)]
for th in threads: th.start()
for th in threads: th.join()

for w in WIDTHS:
    firsts = sorted(seen[w].values())
    per_second = defaultdict(int)
    for f in firsts:
        per_second[int(f - start)] += 1
    gaps = [b - a for a, b in zip(firsts, firsts[1:])]
    print(f"width {w}: {counts[w]} answers, {errors[w]} failed, {len(firsts)} distinct pictures"
          f" = {len(firsts) / seconds:.2f} encodings/s; most in one second: "
          f"{max(per_second.values(), default=0)}; shortest gap seen: "
          f"{min(gaps, default=0) * 1000:.0f} ms")
PY
