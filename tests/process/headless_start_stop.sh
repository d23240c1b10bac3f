#!/usr/bin/env bash
# palvex -headless: start on a given port, answer files, log requests on
# stdout, stop on SIGTERM with exit code 0, write no configuration.
. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/www/sub"
printf 'hello' > "$WORK/www/hello.txt"
start_on_free_port Root="$WORK/www/"
grep -q "Server gestartet an Port $port" "$WORK/out" || fail "start line missing"

check "file body" "$(curl -s http://127.0.0.1:$port/hello.txt)" "hello"
check "missing file" "$(curl -s -o /dev/null -w '%{http_code}' http://127.0.0.1:$port/nope)" "404"
check "HEAD" "$(curl -s -I -o /dev/null -w '%{http_code}' http://127.0.0.1:$port/hello.txt)" "200"
sleep 0.2
grep -Eq '^[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  127\.0\.0\.1 +not +nope$' "$WORK/out" \
  || fail "log line for the 404"
grep -Eq '127\.0\.0\.1 +head +hello\.txt$' "$WORK/out" || fail "log line for HEAD"

stop_palvex
check "exit code on SIGTERM" "$STOP_CODE" "0"
[ -e "$WORK/palvex.ini" ] && fail "configuration written without being asked"
finish
