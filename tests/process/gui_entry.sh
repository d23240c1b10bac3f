#!/usr/bin/env bash
# Program entry with a window build: the window opens where a display is
# reachable (here the offscreen platform), serves, and a stop signal closes
# it cleanly; an invalid port ends at once with a beep and exit code 0; no
# display at all runs headless and says so.
. "$(dirname "$0")/lib.sh"

port=$(free_port)
mkdir -p "$WORK/www"
printf 'hello' > "$WORK/www/hello.txt"

# Invalid port: no window, exit code 0, the beep line on stderr.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK" \
  "$PALVEX" -ActAsOriginExe="$WORK/palvex" Port=70000 >"$WORK/out" 2>"$WORK/err"
check "exit code for Port=70000" "$?" "0"
grep -q $'\a' "$WORK/err" || fail "no beep for Port=70000"

# The window on the offscreen platform.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK" \
  "$PALVEX" -ActAsOriginExe="$WORK/palvex" Port=$port Root="$WORK/www/" >"$WORK/out" 2>"$WORK/err" &
PID=$!
body=""
for _ in $(seq 100); do
  body=$(curl -s --max-time 2 http://127.0.0.1:$port/hello.txt) && [ -n "$body" ] && break
  sleep 0.1
done
check "file body from the window's server" "$body" "hello"
grep -q "Server gestartet" "$WORK/out" && fail "the window printed log lines on stdout"
stop_palvex
check "exit code on SIGTERM" "$STOP_CODE" "0"
[ -e "$WORK/palvex.ini" ] && fail "configuration written without being asked"

# No display at all: headless, with a note.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  "$PALVEX" -ActAsOriginExe="$WORK/palvex" Port=$port Root="$WORK/www/" >"$WORK/out" 2>"$WORK/err" &
PID=$!
for _ in $(seq 100); do grep -q "gestartet" "$WORK/out" 2>/dev/null && break; sleep 0.05; done
grep -q "palvex: no display, running headless" "$WORK/err" || fail "no note on stderr"
grep -q "Server gestartet an Port $port" "$WORK/out" || fail "headless start line missing"
stop_palvex
check "headless exit code" "$STOP_CODE" "0"
# A copy of the program without its window module beside it runs headless
# and says why.
cp "$PALVEX" "$WORK/palvex-alone"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK" \
  "$WORK/palvex-alone" -ActAsOriginExe="$WORK/palvex" Port=$port Root="$WORK/www/" \
  >"$WORK/out" 2>"$WORK/err" &
PID=$!
for _ in $(seq 100); do grep -q "gestartet" "$WORK/out" 2>/dev/null && break; sleep 0.05; done
grep -q "palvex: no window (no palvex-window.so), running headless" "$WORK/err" \
  || fail "no note without the module: $(cat "$WORK/err")"
check "file body without the module" "$(curl -s --max-time 5 http://127.0.0.1:$port/hello.txt)" "hello"
stop_palvex
check "exit code without the module" "$STOP_CODE" "0"
finish
