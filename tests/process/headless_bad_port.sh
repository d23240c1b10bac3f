#!/usr/bin/env bash
# An invalid port ends the program at once with exit code 0, a beep and a
# line on stderr; nothing listens.
. "$(dirname "$0")/lib.sh"

for bad in 0 70000 -1; do
  "$PALVEX" -headless -ActAsOriginExe="$WORK/palvex" Port=$bad >"$WORK/out" 2>"$WORK/err"
  code=$?
  check "exit code for Port=$bad" "$code" "0"
  grep -q $'\a' "$WORK/err" || fail "no beep for Port=$bad"
  [ -s "$WORK/out" ] && fail "output for Port=$bad"
done
finish
