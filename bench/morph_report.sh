#!/usr/bin/env bash
# Runs the morphing button's benchmarks of a build and prints the table of
# docs/performance.md: the blend step against a memcpy of the same bytes, and the whole
# morphs. Usage: bench/morph_report.sh [BUILD_DIR]. With QT_QPA_PLATFORM=xcb and a DISPLAY the
# morphs are painted on a real X server; by default they run on Qt's offscreen platform.
set -euo pipefail
build=${1:-build}
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/morph_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json >/dev/null
python3 - "$json" <<'PY'
import json, sys
runs = {b["run_name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("aggregate_name") == "median"}
def row(name, i): return runs[f"{name}/{i}"]
print("| button (size) | blend step | memcpy of the same bytes | ratio (goal: at most 2) | forward morph | backward morph |")
print("|---|---|---|---|---|---|")
i = 0
while f"BM_BlendStep/{i}" in runs:
    blend, copy = row("BM_BlendStep", i), row("BM_MemcpySameBytes", i)
    forward, backward = row("BM_ForwardMorph", i), row("BM_BackwardMorph", i)
    print(f"| {blend['label']} | {blend['real_time']/1000:.2f} µs | {copy['real_time']/1000:.3f} µs | "
          f"{blend['real_time']/copy['real_time']:.1f} | {forward['real_time']:.2f} ms | {backward['real_time']:.2f} ms |")
    i += 1
PY
