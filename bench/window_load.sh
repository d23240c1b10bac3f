#!/usr/bin/env bash
# What the window costs the server, on loopback:
#   - start-up: milliseconds from launching palvex until its server answers,
#     with the window (offscreen platform) and headless, median of 5 each;
#   - the 1 KiB rate, one request per connection, with the window open beside
#     headless: workload a of the shared run_bench.sh when it is there
#     (RUN_BENCH, default ../shared/bench/run_bench.sh beside the repository),
#     else wrk at 16 connections, the two runs interleaved.
# Usage: bench/window_load.sh [seconds]   (build first: ninja -C build)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
palvex=$(realpath "${PALVEX:-build/palvex}")
run_bench=${RUN_BENCH:-../shared/bench/run_bench.sh}
work=$(mktemp -d /tmp/palvex-bench-XXXXXX)
pid=0
cleanup() { [ "$pid" -gt 0 ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
touch "$work/palvex"
mkdir -p "$work/www" "$work/runtime"
chmod 700 "$work/runtime"
head -c 1024 /dev/urandom | base64 -w0 | head -c 1024 >"$work/www/small.html"
port=18461

# launch <gui|headless>: starts palvex in the background (pid in $pid).
launch() {
  local mode=()
  [ "$1" = headless ] && mode=(-headless)
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
    "$palvex" "${mode[@]}" -ActAsOriginExe="$work/palvex" Port=$port Root="$work/www/" \
    >/dev/null 2>&1 &
  pid=$!
}
stop() { kill -TERM "$pid"; wait "$pid" 2>/dev/null || true; pid=0; }

# startup_ms <gui|headless>: launch until the first answer, in milliseconds.
startup_ms() {
  local start end
  start=$(date +%s%N)
  launch "$1"
  until curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$port/small.html"; do sleep 0.005; done
  end=$(date +%s%N)
  stop
  echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

for mode in gui headless; do
  ms=$(for _ in 1 2 3 4 5; do startup_ms $mode; done | median)
  printf 'start-up until the first answer, %-8s %5s ms (median of 5)\n' "$mode" "$ms"
done

if [ -x "$run_bench" ]; then
  "$run_bench" --make-root "$work/root" 2>/dev/null
  for mode in gui headless; do
    flag=""
    [ $mode = headless ] && flag="-headless"
    echo "== run_bench.sh workload a, $mode"
    "$run_bench" --root "$work/root" --port $port --only a --runs 3 --duration "$seconds" \
      --name "palvex-$mode" --cmd "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
      XDG_RUNTIME_DIR=$work/runtime $palvex $flag -ActAsOriginExe=$work/palvex Port={PORT} \
      Root={ROOT}/"
  done
  exit 0
fi

rate() { # requests/s of the server now running
  wrk -t2 -c16 -d"${seconds}s" -H 'Connection: close' "http://127.0.0.1:$port/small.html" |
    awk '/Requests\/sec/ {print $2}'
}
for round in 1 2; do
  for mode in gui headless; do
    launch $mode
    until curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$port/small.html"; do sleep 0.01; done
    r=$(rate)
    stop
    printf 'round %s: 1 KiB, %-8s %9s req/s\n' $round $mode "$r"
    eval "last_$mode=$r"
  done
  awk -v g="$last_gui" -v h="$last_headless" \
    'BEGIN {printf "round: window/headless %.3f (cost %.1f %%)\n", g / h, (1 - g / h) * 100}'
done
