#!/usr/bin/env bash
# Builds the release tree and runs every benchmark, each figure beside its baselines from the same
# run: OK to the first shot from a warm cache and the OK flow's peak memory (bench_FirstShot), the
# index build from a cold cache (bench_ColdIndex), shot switches (bench_ShowShot), segyhdr against
# the readers users run instead (bench_SegyhdrPeers) and over a survey on one core and on all
# (survey_throughput.py).
# Usage: scripts/bench.sh [FOLDER]   (default build/perf; about 4 GB are written there and removed)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
source scripts/packages.sh
# python3-segyio is the reader users run instead, timed over the same files.
ensure_packages "${BUILD_PACKAGES[@]}" python3 python3-segyio python3-numpy python3-pandas segyio-bin

folder=${1:-build/perf}
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
nice -n 10 cmake --build build -j"$(nproc)" --target bench_FirstShot bench_ColdIndex bench_ShowShot bench_SegyhdrPeers segyhdr segygen >/dev/null
mkdir -p "$folder"

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'), load before: $(cut -d' ' -f1-3 /proc/loadavg)"
build/bin/bench_FirstShot "$folder" 2000000:440 200000:4240 --memory 200000,2000000
echo
build/bin/bench_ColdIndex "$folder" 300000:4240 100000:24240
echo
build/bin/bench_ShowShot "$folder"
echo
build/bin/bench_SegyhdrPeers "$folder"
echo
for verb in qc range; do
    python3 bench/survey_throughput.py build "$folder" --files 200 --rounds 5 --verb "$verb"
done
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
