#!/usr/bin/env bash
# Soak: palvex -headless under a mixed load from several loopback clients for
# a bounded time (default 300 s), sampling memory and threads.
# Usage: bench/soak.sh [seconds] [clients]   (build first: ninja -C build)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
clients=${2:-8}
palvex=${PALVEX:-build/palvex}
work=$(mktemp -d /tmp/palvex-soak-XXXXXX)
trap 'kill ${ppid:-} 2>/dev/null || true; rm -rf "$work"' EXIT
touch "$work/palvex"
mkdir -p "$work/www/pics" "$work/www/private"
head -c 5000 /dev/urandom > "$work/www/small.txt"
head -c 3000000 /dev/urandom > "$work/www/large.bin"
echo secret > "$work/www/private/secret.txt"
python3 - "$work/www/pics" <<'PY'
import struct, sys
for n in range(10):
    w, h = 200 + 37 * n, 150 + 11 * n
    row = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(h):
        line = bytearray()
        for x in range(w):
            line += bytes(((x * 5 + n * 20) % 256, (y * 3) % 256, ((x + y) * 2) % 256))
        pixels += line + bytes(row - len(line))
    head = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    open("%s/img%d.bmp" % (sys.argv[1], n), "wb").write(head + info + pixels)
for n in range(20):
    open("%s/note%02d.txt" % (sys.argv[1], n), "w").write("note %d\n" % n)
PY
port=18441
ulimit -n 4096
"$palvex" -headless -ActAsOriginExe="$work/palvex" Port=$port Root="$work/www/" \
  AuthDir="private:Freunde" AuthUser="anna:geheim:Freunde" -camera=test >/dev/null 2>"$work/err" &
ppid=$!
sleep 1
lm=$(curl -sI "http://127.0.0.1:$port/small.txt" | awk -F': ' '/^Last-Modified/ {sub(/\r$/, "", $2); print $2}')
echo "idle: $(awk '/VmRSS|Threads/ {printf "%s %s  ", $1, $2}' /proc/$ppid/status)"
python3 bench/soak.py "$port" "$ppid" "$seconds" "$lm" "$clients"
