#!/usr/bin/env bash
# Runs the benchmarks of a build and prints their results, with each one's ratio against its
# peer, as the table of docs/performance.md. Usage: bench/report.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/menu_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json >/dev/null
python3 - "$json" <<'PY'
import json, sys
runs = {b["run_name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("aggregate_name") == "median"}
def ms(name):
    run = runs[name]
    return run["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
show, plain = ms("BM_ShowFrame"), ms("BM_PlainLibjpegDecode")
tick = runs["BM_AnimationTickInterval/iterations:1/manual_time"]
print("| benchmark | ours | peer | ratio | goal |")
print("|---|---|---|---|---|")
print(f"| ShowFrame of a demo frame (read, decode, convert, paint) vs plain libjpeg-turbo decode | {show:.2f} ms | {plain:.2f} ms | {show/plain:.2f} | at most 1.2 |")
print(f"| interval between animation ticks (200 ms timer), median of 16 | {tick['median_ms']:.1f} ms | 200 ms | {tick['median_ms']/200:.3f} | within 5 ms of 200 ms |")
for i, name in enumerate(["blaai.wav", "back.wav", "report.wav"]):
    play, read = ms(f"BM_PlayFxSound/{i}") * 1000, ms(f"BM_ReadSoundFile/{i}") * 1000
    print(f"| PlayFxSound(\"{name}\") to its return vs reading the file alone | {play:.1f} us | {read:.1f} us | {play/read:.2f} | |")
PY
