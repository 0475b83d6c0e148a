#!/usr/bin/env bash
# Fuzzes the zip reader for SECONDS (default 600) with one job:
#   bash tests/fuzz/run.sh [SECONDS]
# Builds build-fuzz/ with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
# The growing corpus stays in build-fuzz/corpus between runs; inputs that crash or hang land in
# build-fuzz/artifacts/. Once a fault is fixed, its input goes into tests/fuzz/regressions/.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
cmake -S . -B build-fuzz -G Ninja -DTALVO_NATIVE=ON -DTALVO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz --target fuzz_reader FuzzReplay
mkdir -p build-fuzz/corpus build-fuzz/artifacts
# Members may inflate a thousandfold: inputs stay small so one run never takes long.
exec build-fuzz/tests/fuzz/fuzz_reader build-fuzz/corpus tests/fuzz/seeds tests/fuzz/regressions \
  -dict=tests/fuzz/zip.dict -max_len=16384 -timeout=10 -rss_limit_mb=1024 \
  -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/
