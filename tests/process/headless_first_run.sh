#!/usr/bin/env bash
# A first run without settings says which folder is served, the address to
# open, and that the folder is empty.
. "$(dirname "$0")/lib.sh"

start_on_free_port
grep -q "Root-Ordner: $WORK/WebRoot/$" "$WORK/out" || fail "root folder not named"
grep -q "Im Browser: http://localhost:$port/$" "$WORK/out" || fail "address not named"
grep -q "Der Root-Ordner ist leer" "$WORK/out" || fail "empty root not said"
stop_palvex
printf 'x' > "$WORK/WebRoot/a.txt"
start_on_free_port
sleep 0.2
grep -q "Der Root-Ordner ist leer" "$WORK/out" && fail "a root with files called empty"
stop_palvex
check "exit code" "$STOP_CODE" "0"
finish
