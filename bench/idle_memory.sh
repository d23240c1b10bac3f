#!/usr/bin/env bash
# Resident memory of palvex -headless with N idle connections held open
# (default 1000) against the idle process.
# Usage: bench/idle_memory.sh [connections]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000}
palvex=${PALVEX:-build/palvex}
work=$(mktemp -d /tmp/palvex-bench-XXXXXX)
trap 'kill ${ppid:-} 2>/dev/null || true; rm -rf "$work"' EXIT
touch "$work/palvex"
mkdir -p "$work/www"
ulimit -n 4096
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
for _ in range(count):
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(b"GET / HT")  # a head that never ends: the connection stays reading
    socks.append(s)
time.sleep(8)
PY
holder=$!
sleep 5
during=$(rss)
echo "idle: ${before} KiB, with $count idle connections: ${during} KiB, threads: $(threads)"
echo "cost: $(( (during - before) / 1024 )) MiB"
wait $holder
