#!/bin/bash
# Runs the PNG decoder benchmark with JSON output and draws docs/png-decoding.png from it:
# per file, the CPU time of ours and of libspng relative to libpng's.
# Usage: bench/png_chart.sh [BUILD_DIR]   (default: build; bench_chart must be built there)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
json=$(mktemp --suffix=.json)
trap 'rm -f "$json"' EXIT
"$build/png_bench" --benchmark_min_time=0.3 --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true \
  --benchmark_out="$json" --benchmark_out_format=json >/dev/null
"$build/bench_chart" "$json" "$here/docs/png-decoding.png"
echo "wrote $here/docs/png-decoding.png"
