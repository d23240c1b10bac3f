#!/usr/bin/env bash
# Installs what is missing, builds Palvex and starts it. Arguments are passed
# on (for example Port=8080 Root=/srv/www). Without a display it runs headless.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
ninja -C build palvex
exec ./build/palvex "$@"
