# Shared helpers of the process tests: a temporary program folder, a free
# loopback port, and starting/stopping `palvex -headless`.
set -u
PALVEX=$1
WORK=$(mktemp -d /tmp/palvex-proc-XXXXXX)
trap '[ "$PID" -gt 0 ] && kill $PID 2>/dev/null; rm -rf "$WORK"' EXIT
touch "$WORK/palvex"
PID=0
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { # check "what" actual expected
  [ "$2" = "$3" ] || fail "$1: got [$2], expected [$3]"
}

# free_port; where the program binds the port, start_on_free_port is the
# sound way.
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/free-port.sh"

# start_palvex args...: starts in the background with the temporary program folder.
start_palvex() {
  "$PALVEX" -headless -ActAsOriginExe="$WORK/palvex" "$@" >"$WORK/out" 2>"$WORK/err" &
  PID=$!
  for _ in $(seq 100); do
    grep -q "Server gestartet\|NICHT gestartet" "$WORK/out" 2>/dev/null && return 0
    kill -0 $PID 2>/dev/null || return 0
    sleep 0.05
  done
}

# start_on_free_port args...: start_palvex with Port=<a random port> and the
# args, setting $port. The program's own bind is the only probe: when another
# process holds the port, the program says so and ends, and the next port is
# tried.
start_on_free_port() {
  for _ in $(seq 20); do
    port=$(random_port)
    start_palvex Port=$port "$@"
    grep -q "konnte nicht gestartet werden" "$WORK/out" 2>/dev/null || return 0
    wait $PID 2>/dev/null
    PID=0
  done
}

# stop_palvex: SIGTERM, then STOP_CODE = the exit code within ten seconds
# (124 on a hang).
stop_palvex() {
  kill -TERM $PID
  for _ in $(seq 200); do
    if ! kill -0 $PID 2>/dev/null; then
      wait $PID; STOP_CODE=$?; PID=0; return
    fi
    sleep 0.05
  done
  kill -9 $PID; STOP_CODE=124
}

finish() {
  [ $failures -eq 0 ] && echo "ok" && exit 0
  echo "--- stdout"; cat "$WORK/out" 2>/dev/null; echo "--- stderr"; cat "$WORK/err" 2>/dev/null
  exit 1
}
