#!/usr/bin/env bash
# Builds the Debian package, unpacks it with dpkg-deb -x into a temporary
# folder, checks its layout and dependencies, and runs the unpacked program
# headless against requests: a file, and a template it finds in share/.
set -u
BUILD=$1
WORK=$(mktemp -d /tmp/palvex-deb-XXXXXX)
PID=0
trap '[ "$PID" -gt 0 ] && kill $PID 2>/dev/null; rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$BUILD" && cpack -G DEB -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1) \
  || { cat "$WORK/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$WORK"/pkg/palvex_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { cat "$WORK/cpack.log"; echo "FAIL: no package"; exit 1; }

root="$WORK/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
window=""
[ -e "$BUILD/palvex-window.so" ] && window=usr/lib/palvex/palvex-window.so
for f in usr/bin/palvex $window usr/share/palvex/System/Templates/dir.css \
         usr/share/palvex/Help/DE/index.html usr/share/applications/palvex.desktop \
         usr/share/icons/hicolor/48x48/apps/palvex.png \
         usr/share/icons/hicolor/scalable/apps/palvex.svg; do
  [ -e "$root/$f" ] || fail "missing $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
needs() { grep -q "$1" <<<"$depends" || fail "Depends lacks $1: $depends"; }
for lib in libc6 libjpeg62-turbo libpng16-16 libgif7 libtiff6; do needs $lib; done
linked=$(readelf -d "$root/usr/bin/palvex" ${window:+"$root/$window"} | grep NEEDED)
readelf -d "$root/usr/bin/palvex" | grep -q libQt6 && fail "the program itself links Qt"
grep -q libcurl <<<"$linked" && needs libcurl4
grep -q libQt6Widgets <<<"$linked" && needs libqt6widgets6
grep -q '^Exec=palvex$' "$root/usr/share/applications/palvex.desktop" || fail "menu entry Exec"

. "$(dirname "$0")/../../scripts/free-port.sh"
port=$(free_port)
mkdir -p "$WORK/www" "$WORK/home"
printf 'aus dem Paket' >"$WORK/www/probe.txt"
HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_HOME="$WORK/home/.local/share" \
  "$root/usr/bin/palvex" -headless Port="$port" Root="$WORK/www/" >"$WORK/out" 2>"$WORK/err" &
PID=$!
for _ in $(seq 100); do
  grep -q "gestartet" "$WORK/out" 2>/dev/null && break
  sleep 0.05
done
body=$(curl -s --max-time 10 "http://127.0.0.1:$port/probe.txt")
[ "$body" = "aus dem Paket" ] || fail "file answer: [$body]"
css=$(curl -s --max-time 10 "http://127.0.0.1:$port/*extra/dir.css")
cmp -s <(printf '%s' "$css") <(printf '%s' "$(cat "$root/usr/share/palvex/System/Templates/dir.css")") \
  || fail "template from share/palvex not served"
kill -TERM $PID
wait $PID
code=$?
PID=0
[ "$code" -eq 0 ] || fail "exit code $code"

# The window from the installed module, on the offscreen platform.
if [ -n "$window" ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK" \
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_HOME="$WORK/home/.local/share" \
    "$root/usr/bin/palvex" Port="$port" Root="$WORK/www/" >"$WORK/out" 2>"$WORK/err" &
  PID=$!
  body=""
  for _ in $(seq 100); do
    body=$(curl -s --max-time 2 "http://127.0.0.1:$port/probe.txt") && [ -n "$body" ] && break
    sleep 0.1
  done
  [ "$body" = "aus dem Paket" ] || fail "file answer with the window: [$body]"
  grep -q "no window" "$WORK/err" && fail "the window module was not loaded"
  kill -TERM $PID
  wait $PID
  code=$?
  PID=0
  [ "$code" -eq 0 ] || fail "exit code with the window $code"
fi

if [ $failures -ne 0 ]; then
  echo "--- stdout"; cat "$WORK/out"; echo "--- stderr"; cat "$WORK/err"
  exit 1
fi
echo "ok: $(basename "$deb")"
