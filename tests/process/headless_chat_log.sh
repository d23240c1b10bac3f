#!/usr/bin/env bash
# A chat message posted to the headless program is in the day's chat log
# file once the program has stopped.
. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/www"
start_on_free_port Root="$WORK/www/"
code=$(curl -s -o /dev/null -w '%{http_code}' --data-binary 'nick=Tester&txt=Gr%C3%BC%C3%9Fe+aus+dem+Test' \
  http://127.0.0.1:$port/*chat/post.html)
check "post answer" "$code" "200"
curl -s http://127.0.0.1:$port/*chat/messages.html | grep -q 'Grüße aus dem Test' || fail "message not shown"
stop_palvex
check "exit code" "$STOP_CODE" "0"
year=$(date +%Y)
log="$WORK/ChatLog$year/Chat_$year-$(date +%-m)-$(date +%-d).log"
[ -f "$log" ] || fail "no chat log at $log"
grep -q 'Tester;Grüße aus dem Test' "$log" 2>/dev/null || fail "message not in the chat log"
finish
