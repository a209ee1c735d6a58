#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz
# and runs each for SECONDS, starting from seeds cut from the test data and made by the generator.
# A crashing input is left in build-fuzz/crashes/<target>/ and makes the script exit non-zero.
set -euo pipefail
seconds=${1:?usage: scripts/fuzz.sh SECONDS}
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev
out=$top/build-fuzz
targets=(TarnSegy TraceIndex ShotIndex ShotReader)

cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DZN_FUZZ=ON >/dev/null
cmake --build "$out" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" segygen

# Seeds: the leading 16 KiB of each test file and a few generated files; the writer's and the
# reader's inputs lead with their parameters (the rev 1 places, a range of 3 traces).
seeds=$out/seeds
rm -rf "$seeds" && mkdir -p "${targets[@]/#/$seeds/}" "$seeds/files" "$seeds/made"
"$out/bin/segygen" --traces 6 --channels 2 --samples 20 "$seeds/made/gen.sgy" >/dev/null
"$out/bin/segygen" --traces 4 --samples 70000 --format 8 --rev2 --sparse "$seeds/made/gen-rev2.sgy" >/dev/null
"$out/bin/segygen" --traces 5 --samples 10 --format 3 --little-endian "$seeds/made/gen-lsb.sgy" >/dev/null
"$out/bin/segygen" --traces 4 --samples 10 --ext-text 2 "$seeds/made/gen-ext.sgy" >/dev/null
"$out/bin/segygen" --traces 4 --samples 10 --ext-text 1 --end-text --little-endian --rev2 "$seeds/made/gen-stanza.sgy" >/dev/null
"$out/bin/segygen" --traces 4 --samples 10 --no-file-header --little-endian "$seeds/made/gen-su.sgy" >/dev/null
"$out/bin/segygen" --traces 4 --samples 10 --additional-headers 1 "$seeds/made/gen-additional.sgy" >/dev/null
for f in tests/data/*.sgy tests/data/*.segy "$seeds"/made/*; do head -c 16384 "$f" >"$seeds/files/$(basename "$f")"; done
rev1='\0\11\4\0\15\4\0\45\4\0\51\4\0\55\4\0\61\4\0\111\4\0\115\4\0\121\4\0\125\4\0\275\4\0\143\2\0\301\4\0\145\2\0\25\4\0\107\2'
for f in "$seeds"/files/*; do
    name=$(basename "$f")
    cp "$f" "$seeds/TarnSegy/$name"
    cp "$f" "$seeds/ShotIndex/$name"
    { printf '\0\11\4\0\15\4\0\45\4\3'; cat "$f"; } >"$seeds/TraceIndex/$name"
    { printf "\\0\\0\\0\\1\\0\\2\\0\\25\\4\\0\\107\\2$rev1"; cat "$f"; } >"$seeds/ShotReader/$name"
done

status=0
for target in "${targets[@]}"; do
    mkdir -p "$out/corpus/$target" "$out/crashes/$target"
    if ! "$out/bin/fuzz_$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$out/crashes/$target/" "$out/corpus/$target" "$seeds/$target" >"$out/fuzz_$target.log" 2>&1; then
        status=1
        tail -n 40 "$out/fuzz_$target.log"
    fi
    echo "fuzz_$target: $(grep -h 'stat::number_of_executed_units' "$out/fuzz_$target.log" || echo 'no final stats')"
done
exit $status
