#!/usr/bin/env bash
# CPU of palvex -headless while N slow clients (default 5000) each send one
# byte of a head that never ends every 5 s, and the time a normal client
# waits meanwhile. The clients come from 50 loopback addresses
# (127.0.0.2 ...), so no per-address rule sees all of them. Bounded: the
# clients hold for the measuring time plus their start, then close.
# Usage: bench/slow_clients.sh [clients] [seconds]   (build first: ninja -C build palvex)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-5000}
seconds=${2:-30}
palvex=${PALVEX:-build/palvex}
work=$(mktemp -d /tmp/palvex-bench-XXXXXX)
cleanup() { kill ${ppid:-} ${holder:-} 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
# Every connection is a descriptor on both sides, plus some spare.
ulimit -n $((count * 2 + 256))
mkdir -p "$work/www"
head -c 1024 /dev/zero | tr '\0' 'x' > "$work/www/small.html"
touch "$work/palvex"
port=18436
"$palvex" -headless -ActAsOriginExe="$work/palvex" Port=$port Root="$work/www/" >/dev/null 2>&1 &
ppid=$!
sleep 1

python3 - "$port" "$count" "$((seconds + 15))" "$work/ready" <<'PY' &
import socket, sys, time
port, count, hold, ready = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
socks = []
for i in range(count):
    s = socket.socket()
    s.bind((f"127.0.0.{2 + i % 50}", 0))
    s.settimeout(30)
    s.connect(("127.0.0.1", port))
    s.sendall(b"GET /small.html HTTP/1.0\r\nX-Slow: ")
    s.setblocking(False)
    socks.append(s)
open(ready, "w").write("ready\n")
# One byte per client every 5 s, spread over the 5 s in 50 slices.
end = time.monotonic() + hold
slice_ = 0
while time.monotonic() < end:
    for s in socks[slice_::50]:
        try:
            s.send(b"a")
        except OSError:
            pass
    slice_ = (slice_ + 1) % 50
    time.sleep(0.1)
for s in socks:
    s.close()
PY
holder=$!
for _ in $(seq 120); do [ -s "$work/ready" ] && break; sleep 0.5; done
[ -s "$work/ready" ] || { echo "clients did not connect"; exit 1; }
sleep 5
ticks() { awk '{print $14 + $15}' /proc/$ppid/stat; }
hz=$(getconf CLK_TCK)
t0=$(ticks); start=$(date +%s%N)
for _ in $(seq 10); do
  curl -s -o /dev/null -w '%{time_total}\n' "http://127.0.0.1:$port/small.html" >> "$work/normal.s"
  sleep $((seconds / 10))
done
t1=$(ticks); end=$(date +%s%N)
threads=$(awk '/Threads/ {print $2}' /proc/$ppid/status)
rss=$(awk '/VmRSS/ {print $2}' /proc/$ppid/status)
echo "slow clients: $count, server threads: $threads, RSS: $rss KiB"
awk -v a="$t0" -v b="$t1" -v s="$start" -v e="$end" -v hz="$hz" \
  'BEGIN { printf "server CPU: %.1f %% of a core over %.0f s\n", (b - a) / hz / ((e - s) / 1e9) * 100, (e - s) / 1e9 }'
sort -g "$work/normal.s" | awk '{ v[NR] = $1 * 1000 } END { printf "normal client: median %.2f ms, max %.2f ms (%d requests)\n", v[int((NR + 1) / 2)], v[NR], NR }'
