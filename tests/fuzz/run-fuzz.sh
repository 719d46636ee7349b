#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on its corpus (seeded once from
# the project's generated pictures and the public test pictures); a crash,
# a leak, a hang or an allocation over the limit fails the test.
set -euo pipefail
target=$1 corpus=$2 seconds=$3
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$target")
mkdir -p "$corpus"
bash "$here/make-seeds.sh" "$name" "$corpus"
artifacts="$(dirname "$corpus")/artifacts-$name"
mkdir -p "$artifacts"
"$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 2>&1 | tail -n 25
