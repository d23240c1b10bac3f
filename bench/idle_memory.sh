#!/usr/bin/env bash
# Resident memory of palvex -headless with N idle connections held open
# (default 1000) against the idle process. Each connection sends a head that
# never ends, a byte at a time well inside the 30 s idle time-out.
# Usage: bench/idle_memory.sh [connections]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000}
palvex=${PALVEX:-build/palvex}
work=$(mktemp -d /tmp/palvex-bench-XXXXXX)
trap 'kill ${ppid:-} ${holder:-} 2>/dev/null || true; rm -rf "$work"' EXIT
touch "$work/palvex"
mkdir -p "$work/www"
ulimit -n 8192
port=18433
"$palvex" -headless -ActAsOriginExe="$work/palvex" Port=$port Root="$work/www/" >/dev/null 2>&1 &
ppid=$!
sleep 0.5
rss() { awk '/VmRSS/ {print $2}' /proc/$ppid/status; }
threads() { awk '/Threads/ {print $2}' /proc/$ppid/status; }
before=$(rss)
python3 - "$port" "$count" <<'PY' &
import socket, sys, time
port, count = int(sys.argv[1]), int(sys.argv[2])
socks = []
for i in range(count):
    # From 50 loopback addresses: one address may only have 256 unfinished heads.
    s = socket.socket()
    s.bind((f"127.0.0.{2 + i % 50}", 0))
    s.settimeout(30)
    s.connect(("127.0.0.1", port))
    s.sendall(b"GET / HT")
    socks.append(s)
for _ in range(3):
    time.sleep(8)
    for s in socks:
        s.sendall(b"T")
PY
holder=$!
for _ in $(seq 60); do
  [ "$(threads)" -ge $((count + 2)) ] && break
  sleep 0.5
done
sleep 2
during=$(rss)
echo "idle: ${before} KiB; with $count idle connections: ${during} KiB, threads: $(threads)"
echo "cost: $(( (during - before) / 1024 )) MiB"
