#!/usr/bin/env bash
# A reader of stdout that stops reading (a paused pager, a stuck log
# collector) holds up nothing: requests are answered, lines that find no room
# are dropped and counted in a line of their own once the reader reads again,
# and SIGTERM ends the program in the usual time while stdout is stalled.
. "$(dirname "$0")/lib.sh"

port=$(free_port)
mkdir -p "$WORK/www"
mkfifo "$WORK/pipe"
exec 3<>"$WORK/pipe"  # keeps the pipe open; nobody reads it yet
"$PALVEX" -headless -ActAsOriginExe="$WORK/palvex" Port=$port Root="$WORK/www/" \
  >"$WORK/pipe" 2>"$WORK/err" &
PID=$!
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$port/" && break
  sleep 0.05
done

# requests n: the status codes of n requests, counted.
requests() {
  timeout 60 curl -s --no-progress-meter -Z --parallel-max 8 --max-time 20 -o /dev/null \
    -w '%{http_code} %{errormsg}\n' "http://127.0.0.1:$port/x[1-$1]" 2>/dev/null | sort | uniq -c | xargs
}
# Far more lines than the pipe and the queue hold.
check "answers while stdout is stalled" "$(requests 3000)" "3000 404"

timeout 10 cat <&3 >"$WORK/read" &
reader=$!
sleep 1
check "answer once stdout reads again" "$(requests 1)" "1 404"
sleep 0.5
kill $reader 2>/dev/null
wait $reader 2>/dev/null
grep -Eq '^[0-9]{2}-[0-9]{2} [0-9:]{8} +[0-9]+ Protokollzeilen verworfen' "$WORK/read" \
  || fail "no line tells the dropped lines"
grep -q ' x1$' "$WORK/read" || fail "the last request's line is missing"

# Stalled again: the stop must not wait for stdout.
check "answers while stalled again" "$(requests 2000)" "2000 404"
started=$(date +%s)
stop_palvex
check "exit code on SIGTERM" "$STOP_CODE" "0"
[ $(($(date +%s) - started)) -le 8 ] || fail "the stop took longer than the usual time"
finish
