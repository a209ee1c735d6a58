#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice: in the plain release build, then with
# AddressSanitizer, UndefinedBehaviorSanitizer and leak checking; then fuzzes each core for 15 s.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
source scripts/packages.sh
# python3-segyio is the independent SEG-Y reader that the tests cross-check against.
ensure_packages "${BUILD_PACKAGES[@]}" python3 python3-segyio python3-numpy xvfb xauth

jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure --timeout 900)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZN_SANITIZE=ON
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure --timeout 1800)

scripts/fuzz.sh 15
