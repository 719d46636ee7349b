#!/usr/bin/env bash
# Benchmarks of the picture pipeline, natively, optimised build:
# - a 24-megapixel JPEG decoded to a BMP by lumora-cli and by libjpeg-turbo's
#   own djpeg, run alternately; medians and their ratio;
# - the decode alone and EXIF reading over 1,000 JPEG files (Google Benchmark);
# - turning a 6000 × 4000 picture by 30 degrees against memcpy.
# Usage: tools/bench-pictures.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-7}
bash tools/setup.sh
cmake --preset release >build/configure-release.log
cmake --build --preset release --target lumora-cli lumora-picture-bench lumora-rotate-bench >/dev/null
demo="$root/build/demo-pictures"
bash tools/make-demo-pictures.sh "$demo" >/dev/null
jpeg="$demo/09-large-6000x4000.jpg"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ms() { local s e; s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(((e - s) / 1000000)); }
: >"$work/djpeg" ; : >"$work/ours"
for _ in $(seq "$runs"); do
  ms djpeg -bmp -outfile "$work/djpeg.bmp" "$jpeg" >>"$work/djpeg"
  ms build/release/lumora-cli decode "$jpeg" "$work/ours.bmp" >>"$work/ours"
done
d=$(median <"$work/djpeg") o=$(median <"$work/ours")
echo "24 MP JPEG to BMP, median of $runs: djpeg $d ms, lumora-cli decode $o ms, ratio $(awk -v a="$o" -v b="$d" 'BEGIN { printf "%.2f", a / b }')"

mkdir -p "$work/exif"
i=0
while [ "$i" -lt 1000 ]; do
  for f in "$demo"/*.jpg; do
    [ "$i" -lt 1000 ] || break
    cp "$f" "$work/exif/$i.jpg"
    i=$((i + 1))
  done
done
build/release/lumora-picture-bench --jpeg="$jpeg" --exif-folder="$work/exif" --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true
build/release/lumora-rotate-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
