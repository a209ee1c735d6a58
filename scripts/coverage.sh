#!/usr/bin/env bash
# Line and branch coverage of the product code (everything but the tests, the benchmarks and the
# generator) by the whole suite: a Debug build with --coverage in build-coverage, the suite run
# once, then gcovr's table per folder and its summary. Branches that only throw or that the
# compiler proves unreachable are left out.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" gcovr python3 python3-segyio python3-numpy

build=$top/build-coverage
# Atomic counters: segyhdr works on several files at once, and racing counts come out negative.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" \
      -DCMAKE_EXE_LINKER_FLAGS="--coverage" -DCMAKE_SHARED_LINKER_FLAGS="--coverage" \
      -DCMAKE_MODULE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$build" -j"$(nproc)"
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest --output-on-failure --timeout 900)

filters=(--root "$top" --object-directory "$build"
         --exclude "$top/tests/" --exclude "$top/bench/" --exclude "$top/tools/"
         --exclude '.*_autogen/.*' --exclude '.*/ui_.*' --exclude '.*qrc_.*' --exclude '.*moc_.*'
         --exclude-directories "$build/CMakeFiles/[0-9]" --exclude-throw-branches --exclude-unreachable-branches)
echo
# gcovr replaces its output file rather than writing into it, so it is never given /dev/null.
echo "Coverage by folder (lines, then branches):"
for folder in segy platform/ZnPlugins platform/ZnBase platform/TarnLibs plugins/BrowseHeader/core \
              plugins/BrowseHeader host apps/segyhdr; do
    summary=$(gcovr "${filters[@]}" --filter "$top/$folder/[^/]*$" --print-summary --output "$build/folder.txt" | grep -E '^(lines|branches):')
    printf '%-28s %s\n' "$folder" "$(echo "$summary" | tr '\n' ' ')"
done
echo
gcovr "${filters[@]}" --print-summary --output "$build/coverage.txt"
echo "(the file-by-file table is in $build/coverage.txt)"
