#!/usr/bin/env bash
# Listing load: palvex -headless and nginx (autoindex) side by side on loopback,
# the generated page of one folder of 200 files, wrk with one request per
# connection. Both get the same URL; "?fpp=1000" puts every entry on palvex's
# page as nginx does (nginx ignores the query).
# Usage: bench/listing_load.sh [seconds] [connections]   (build first: ninja -C build)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
conns=${2:-16}
files=200
palvex=${PALVEX:-build/palvex}
work=$(mktemp -d /tmp/palvex-bench-XXXXXX)
cleanup() { kill "${ppid:-}" "${npid:-}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

mkdir -p "$work/www/list" "$work/nginx"
chmod 755 "$work"
for i in $(seq -w 1 $files); do
  case $((10#$i % 4)) in
    0) ext=jpg ;; 1) ext=txt ;; 2) ext=pdf ;; *) ext=html ;;
  esac
  head -c $((10#$i * 97 + 1)) /dev/zero > "$work/www/list/file-$i.$ext"
done
chmod -R a+rX "$work/www"
touch "$work/palvex"
pport=18433
nport=18434
url="/list/?fpp=1000"

"$palvex" -headless -ActAsOriginExe="$work/palvex" Port=$pport Root="$work/www/" >/dev/null 2>&1 &
ppid=$!

. bench/nginx.sh
start_nginx "$work" $nport "$work/www" "autoindex on;"
sleep 1

# Both must list every file, or the comparison means nothing.
for port in $pport $nport; do
  rows=$(curl -sf "http://127.0.0.1:$port$url" | grep -o 'href="[^"]*file-[0-9]*\.[a-z]*"' | sort -u | wc -l)
  echo "port $port lists $rows of $files files"
done

run() { # name port
  echo "== $1"
  wrk -t2 -c"$conns" -d"${seconds}s" --latency -H 'Connection: close' "http://127.0.0.1:$2$url" \
    | tee "$work/$1.txt" | grep -E 'Requests/sec|Latency|99%|Non-2xx|Socket errors' || true
}
run palvex $pport
run nginx $nport

p=$(awk '/Requests\/sec/ {print $2}' "$work/palvex.txt")
n=$(awk '/Requests\/sec/ {print $2}' "$work/nginx.txt")
echo "palvex/nginx requests per second: $(awk -v p="$p" -v n="$n" 'BEGIN {printf "%.2f", p / n}')"
