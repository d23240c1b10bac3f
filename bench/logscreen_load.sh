#!/usr/bin/env bash
# The log screen under load, beside the headless program:
#  - workload a of ../shared/bench/run_bench.sh (1 KiB, 16 connections, one
#    request per connection) against `palvex -headless` and against the log
#    screen program (bench/gui/LogScreenLoad.cpp: the log screen showing every
#    request, offscreen), and the ratio of the two rates;
#  - the GUI thread's longest stall during that run (a 5 ms timer's longest gap);
#  - resident memory after 1,000 and after 200,000 logged requests (ab -c 16).
# Usage: bench/logscreen_load.sh [runs=3] [seconds=10]. Loopback only, bounded.
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${1:-3}
DUR=${2:-10}
BUILD=${BUILD:-build}
RUN_BENCH=${RUN_BENCH:-../shared/bench/run_bench.sh}
LOAD=$BUILD/bench/palvex_logscreen_load
[ -x "$LOAD" ] || { echo "build $LOAD first (ninja -C $BUILD palvex_logscreen_load)"; exit 2; }

WORK=$(mktemp -d /tmp/palvex-logbench-XXXXXX)
PIDS=()
cleanup() { for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; [ -n "${KEEP:-}" ] || rm -rf "$WORK"; }
trap cleanup EXIT
"$RUN_BENCH" --make-root "$WORK/root" 2>/dev/null
. scripts/free-port.sh
wait_port() { for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$1/small.html" && return; sleep 0.1; done; }
median() { sort -g | awk '{a[NR]=$1} END{print (NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2}'; }
rate_of() { awk -F'\t' -v k=a16 '$2==k{print $4}' "$1" | median; }

# 1. Headless.
port=$(free_port)
"$BUILD/palvex" -headless Port="$port" Root="$WORK/root/" >/dev/null 2>&1 &
PIDS+=($!)
wait_port "$port"
"$RUN_BENCH" --root "$WORK/root" --port "$port" --only a16 --runs "$RUNS" --duration "$DUR" \
  --name headless --raw "$WORK/headless.raw" >"$WORK/headless.report" 2>"$WORK/headless.log" || true
kill "${PIDS[0]}"; wait "${PIDS[0]}" 2>/dev/null || true

# 2. The log screen, driven through a pipe: "stats" reports and resets.
port=$(free_port)
mkfifo "$WORK/ctl"
GLIBC_TUNABLES=glibc.pthread.stack_cache_size=536870912 QT_QPA_PLATFORM=offscreen \
  "$LOAD" "$WORK/root" "$port" <"$WORK/ctl" >"$WORK/gui.out" 2>"$WORK/gui.err" &
PIDS+=($!)
exec 3>"$WORK/ctl"
wait_port "$port"
stats() { echo stats >&3; local n; n=$(wc -l <"$WORK/gui.out"); for _ in $(seq 50); do [ "$(wc -l <"$WORK/gui.out")" -gt "$n" ] && break; sleep 0.1; done; tail -1 "$WORK/gui.out"; }
field() { sed -n "s/.*$1=\([0-9]*\).*/\1/p" <<<"$2"; }
stats >/dev/null
ab -q -n 1000 -c 16 "http://127.0.0.1:$port/small.html" >/dev/null 2>&1
after1k=$(stats)
ab -q -n 199000 -c 16 "http://127.0.0.1:$port/small.html" >/dev/null 2>&1
after200k=$(stats)
"$RUN_BENCH" --root "$WORK/root" --port "$port" --only a16 --runs "$RUNS" --duration "$DUR" \
  --name logscreen --raw "$WORK/gui.raw" >"$WORK/gui.report" 2>"$WORK/gui.log" || true
during=$(stats)
echo quit >&3

headless=$(rate_of "$WORK/headless.raw")
gui=$(rate_of "$WORK/gui.raw")
rss1=$(field rss_kib "$after1k"); rss2=$(field rss_kib "$after200k")
printf 'workload a, 16 connections, %s runs of %s s (median req/s)\n' "$RUNS" "$DUR"
printf '  palvex -headless       %10.0f\n' "$headless"
printf '  log screen showing     %10.0f   ratio %.2f (target >= 0.80)\n' "$gui" \
  "$(awk -v a="$gui" -v b="$headless" 'BEGIN{print a/b}')"
printf '  longest GUI stall during the runs: %s ms (target < 100)\n' "$(field stall_ms "$during")"
printf 'resident memory, log screen program\n'
printf '  after %7d logged requests: %6d KiB\n' "$(field logged "$after1k")" "$rss1"
printf '  after %7d logged requests: %6d KiB   growth %d KiB (target < 10240)\n' \
  "$(field logged "$after200k")" "$rss2" "$((rss2 - rss1))"
printf '  longest GUI stall during the ab runs: %s ms, lines on screen %s\n' \
  "$(field stall_ms "$after200k")" "$(field rows "$after200k")"
