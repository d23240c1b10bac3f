#!/usr/bin/env bash
# HTTP load: palvex -headless and nginx (1 worker, sendfile on, access log off)
# side by side on loopback, one request per connection:
#   - a 1 KiB and a 100 KiB file with wrk at 16 connections;
#   - a 256 MiB file fetched whole by one client (throughput), in interleaved
#     pairs.
# Usage: bench/http_load.sh [seconds] [connections]   (build first: ninja -C build)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
conns=${2:-16}
palvex=${PALVEX:-build/palvex}
work=$(mktemp -d /tmp/palvex-bench-XXXXXX)
cleanup() { kill "${ppid:-}" "${npid:-}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

mkdir -p "$work/www" "$work/nginx"
chmod 755 "$work"
head -c 1024 /dev/urandom | base64 -w0 | head -c 1024 > "$work/www/1k.txt"
head -c 102400 /dev/urandom > "$work/www/100k.bin"
head -c 268435456 /dev/urandom > "$work/www/256m.bin"
chmod -R a+rX "$work/www"
touch "$work/palvex"
pport=18431
nport=18432

"$palvex" -headless -ActAsOriginExe="$work/palvex" Port=$pport Root="$work/www/" >/dev/null 2>&1 &
ppid=$!

. bench/nginx.sh
start_nginx "$work" $nport "$work/www"
sleep 1

rate() { # name port file -> requests/s
  wrk -t2 -c"$conns" -d"${seconds}s" --latency -H 'Connection: close' "http://127.0.0.1:$2/$3" \
    >"$work/$1-$3.txt"
  grep -E 'Non-2xx|Socket errors' "$work/$1-$3.txt" >&2 || true
  awk '/Requests\/sec/ {print $2}' "$work/$1-$3.txt"
}
p99() { awk '$1 == "99%" {print $2}' "$work/$1-$2.txt"; }
ratio() { awk -v p="$1" -v n="$2" 'BEGIN {printf "%.2f", p / n}'; }

for file in 1k.txt 100k.bin; do
  p=$(rate palvex $pport $file)
  n=$(rate nginx $nport $file)
  printf '%-9s palvex %9s req/s (p99 %s)   nginx %9s req/s (p99 %s)   ratio %s\n' \
    "$file" "$p" "$(p99 palvex $file)" "$n" "$(p99 nginx $file)" "$(ratio "$p" "$n")"
done

# One fetch of the 256 MiB file takes about a tenth of a second, so single
# fetches swing with where the scheduler puts client and server: interleaved
# pairs (PAIRS, default 15), medians and the median of the pair ratios.
speed() { curl -s -o /dev/null -w '%{speed_download}' "http://127.0.0.1:$1/256m.bin"; }
speed $pport >/dev/null
speed $nport >/dev/null
for _ in $(seq "${PAIRS:-15}"); do echo "$(speed $pport) $(speed $nport)"; done | python3 -c '
import statistics, sys
pairs = [tuple(map(float, line.split())) for line in sys.stdin]
ratios = sorted(p / n for p, n in pairs)
mib = lambda values: statistics.median(values) / 1048576
print("%-9s palvex %6.0f MiB/s   nginx %6.0f MiB/s   ratio %.2f [%.2f-%.2f] over %d pairs" % (
    "256m.bin", mib(p for p, _ in pairs), mib(n for _, n in pairs), statistics.median(ratios),
    ratios[0], ratios[-1], len(pairs)))'
