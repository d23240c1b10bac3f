#!/usr/bin/env bash
# Without a configured port and without the right to bind port 80, the
# server moves to the unprivileged series 8080, 8081, 8083, ...
. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/www"
chmod -R a+rwX "$WORK"
chmod a+rx "$(dirname "$PALVEX")" "$PALVEX"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "skipped: setpriv missing"; exit 0; }
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all)
  # The binary must be reachable for nobody along its whole path.
  path=$(dirname "$(realpath "$PALVEX")")
  while [ "$path" != / ]; do
    [ -x "$path" ] && su -s /bin/sh nobody -c "test -x '$path'" 2>/dev/null || { echo "skipped: $path not reachable for nobody"; exit 0; }
    path=$(dirname "$path")
  done
fi
"${as_user[@]}" "$PALVEX" -headless -ActAsOriginExe="$WORK/palvex" Root="$WORK/www/" >"$WORK/out" 2>"$WORK/err" &
PID=$!
for _ in $(seq 100); do
  grep -q "gestartet" "$WORK/out" 2>/dev/null && break
  sleep 0.05
done
port=$(sed -n 's/.*Server gestartet an Port \([0-9]*\).*/\1/p' "$WORK/out")
case "$port" in
  8080|8081|8083|8087|8095|8111) ;;
  *) fail "started on [$port], expected the series from 8080" ;;
esac
echo "started on port $port"
stop_palvex
check "exit code" "$STOP_CODE" "0"
finish
