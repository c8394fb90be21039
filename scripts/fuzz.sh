#!/usr/bin/env bash
# Builds the libFuzzer target with clang in its own build directory and runs it
# from the seed corpus for FUZZ_SECONDS (60 by default). Exits non-zero when an
# input crashes, hangs, reads out of bounds or breaks a property; the input is
# kept in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DQUINTORA_FUZZ=ON -DQUINTORA_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target fuzz_datafile -j"$(nproc)"

# The fuzzer adds what it finds to its corpus; the committed seeds stay as they are.
corpus="$build/corpus"
artifacts="$build/artifacts"
rm -rf "$corpus"
mkdir -p "$corpus" "$artifacts"
cp tests/fuzz/corpus/* "$corpus"/

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
"$build/tests/fuzz/fuzz_datafile" "$corpus" \
  -max_total_time="$seconds" -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
  -artifact_prefix="$artifacts/" -print_final_stats=1
