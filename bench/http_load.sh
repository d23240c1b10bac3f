#!/usr/bin/env bash
# HTTP load: palvex -headless and nginx side by side on loopback, the same
# 1 KiB answer, wrk with one request per connection at 16 connections.
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
chmod -R a+rX "$work/www"
touch "$work/palvex"
pport=18431
nport=18432

"$palvex" -headless -ActAsOriginExe="$work/palvex" Port=$pport Root="$work/www/" >/dev/null 2>&1 &
ppid=$!

cat > "$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/nginx;
  proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx;
  scgi_temp_path $work/nginx;
  server { listen 127.0.0.1:$nport; root $work/www; }
}
CONF
nginx -c "$work/nginx/nginx.conf" &
npid=$!
sleep 1

run() { # name port
  echo "== $1"
  wrk -t2 -c"$conns" -d"${seconds}s" --latency -H 'Connection: close' "http://127.0.0.1:$2/1k.txt" \
    | tee "$work/$1.txt" | grep -E 'Requests/sec|Latency|99%|Non-2xx|Socket errors' || true
}
run palvex $pport
run nginx $nport

p=$(awk '/Requests\/sec/ {print $2}' "$work/palvex.txt")
n=$(awk '/Requests\/sec/ {print $2}' "$work/nginx.txt")
echo "palvex/nginx requests per second: $(awk -v p="$p" -v n="$n" 'BEGIN {printf "%.2f", p / n}')"
