#!/usr/bin/env bash
# Thumbnail latency: GET /x.jpg?tn=160 from palvex -headless against
# ImageMagick's "convert x.jpg -thumbnail 160x160" (without and with the
# "-define jpeg:size=320x320" size hint) and vips' "vipsthumbnail -s 160" on
# the same 4000 x 3000 JPEG; the median of several runs each, after one
# warm-up. The tools' times include their process start; palvex's in-process
# time comes from palvex_bench on the same file. SAMPLING=2x1 (or 2x2) makes
# the picture with subsampled colour, as cameras write it.
# Usage: bench/thumbnail_vs_convert.sh [runs]   (build first: ninja -C build)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-9}
palvex=${PALVEX:-build/palvex}
convert=${CONVERT:-/usr/bin/convert}
vipsthumbnail=${VIPSTHUMBNAIL:-/usr/bin/vipsthumbnail}
bench=${PALVEX_BENCH:-build/bench/palvex_bench}
work=$(mktemp -d /tmp/palvex-bench-XXXXXX)
cleanup() { kill "${ppid:-}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

mkdir -p "$work/www"
chmod 755 "$work"
"$convert" -seed 1 -size 4000x3000 plasma: -quality 90 ${SAMPLING:+-sampling-factor "$SAMPLING"} \
  "$work/www/x.jpg"
chmod -R a+rX "$work/www"
touch "$work/palvex"
pport=18435
echo "photo: $(identify -format '%wx%h' "$work/www/x.jpg"), $(stat -c %s "$work/www/x.jpg") bytes"

"$palvex" -headless -ActAsOriginExe="$work/palvex" Port=$pport Root="$work/www/" >/dev/null 2>&1 &
ppid=$!
sleep 1

median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.1f", (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
now_ms() { echo $(($(date +%s%N) / 1000)) | awk '{ printf "%.3f", $1 / 1000 }'; }

url="http://127.0.0.1:$pport/x.jpg?tn=160"
curl -sf -o "$work/tn.jpg" -w '%{content_type}\n' "$url" | sed 's/^/palvex answer: /'
echo "palvex thumbnail: $(identify -format '%wx%h' "$work/tn.jpg"), $(stat -c %s "$work/tn.jpg") bytes"
for _ in $(seq "$runs"); do
  curl -sf -o /dev/null -w '%{time_total}\n' "$url" | awk '{ print $1 * 1000 }'
done > "$work/palvex.ms"
p=$(median < "$work/palvex.ms")

# Runs a command the given number of times; prints the wall times in ms.
time_runs() {
  for _ in $(seq "$runs"); do
    start=$(now_ms)
    "$@" >/dev/null
    end=$(now_ms)
    awk -v s="$start" -v e="$end" 'BEGIN { print e - s }'
  done
}
# Times one tool (name, command...): warm-up, size of its output, median.
tool() {
  local name=$1; shift
  "$@" >/dev/null
  echo "$name thumbnail: $(identify -format '%wx%h' "$work/out.jpg"), $(stat -c %s "$work/out.jpg") bytes"
  time_runs "$@" > "$work/$name.ms"
  echo "$name ms: $(tr '\n' ' ' < "$work/$name.ms")-> median $(median < "$work/$name.ms")"
  rm -f "$work/out.jpg"
}

echo "palvex ms: $(tr '\n' ' ' < "$work/palvex.ms")-> median $p"
if [ -x "$bench" ]; then
  PALVEX_BENCH_PHOTO="$work/www/x.jpg" "$bench" --benchmark_filter=PhotoFile \
    --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/_median/ { print "palvex in process ms: median " $2 }'
fi
tool convert "$convert" "$work/www/x.jpg" -thumbnail 160x160 "$work/out.jpg"
tool convert-hint "$convert" -define jpeg:size=320x320 "$work/www/x.jpg" -thumbnail 160x160 \
  "$work/out.jpg"
tool vipsthumbnail "$vipsthumbnail" "$work/www/x.jpg" -s 160 -o "$work/out.jpg"
for name in convert convert-hint vipsthumbnail; do
  echo "palvex/$name time: $(awk -v p="$p" -v c="$(median < "$work/$name.ms")" 'BEGIN {printf "%.2f", p / c}')"
done
