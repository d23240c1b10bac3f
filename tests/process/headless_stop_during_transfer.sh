#!/usr/bin/env bash
# SIGTERM during a throttled download stops the program within a few seconds.
. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/www"
head -c 200000 /dev/zero > "$WORK/www/big.bin"
start_on_free_port Root="$WORK/www/" Limit=Request:1KBps
curl -s -o /dev/null http://127.0.0.1:$port/big.bin &
curl_pid=$!
sleep 1
start=$(date +%s)
stop_palvex
check "exit code" "$STOP_CODE" "0"
[ $(( $(date +%s) - start )) -le 4 ] || fail "stop took too long"
wait $curl_pid 2>/dev/null
finish
