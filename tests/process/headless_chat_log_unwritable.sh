#!/usr/bin/env bash
# Chat log lines that cannot be written (the log folder's place is taken by a
# file, which stops even root) are reported once on stderr, kept, and
# written when the folder can be made again; nothing is lost at the stop.
. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/www"
year=$(date +%Y)
printf 'in the way' > "$WORK/ChatLog$year"
start_on_free_port Root="$WORK/www/"
post() {
  curl -s -o /dev/null -w '%{http_code}' --data-binary "nick=Tester&txt=$1" \
    http://127.0.0.1:$port/*chat/post.html
}
check "first post" "$(post eins)" "200"
check "second post" "$(post zwei)" "200"
sleep 0.2
check "failure reports" "$(grep -c 'Chat-Log konnte nicht geschrieben werden' "$WORK/err")" "1"
rm "$WORK/ChatLog$year"
check "third post" "$(post drei)" "200"
check "fourth post" "$(post vier)" "200"
stop_palvex
check "exit code" "$STOP_CODE" "0"
log="$WORK/ChatLog$year/Chat_$year-$(date +%-m)-$(date +%-d).log"
for text in eins zwei drei vier; do
  grep -q "Tester;$text" "$log" 2>/dev/null || fail "$text not in the chat log"
done
check "header lines" "$(grep -c '^Date;Time;Room;ID;Nickname;Text' "$log")" "1"
finish
