#!/usr/bin/env bash
# Builds the hive parser's fuzz target with clang in its own build folder and runs it for a
# bounded time (default 60 s). Usage: bench/run-fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build_dir=${KF_FUZZ_BUILD_DIR:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DKF_BUILD_FUZZ=ON -DKF_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target hive_fuzz

# Work on a copy of the seeds, so that the inputs it finds stay out of the source tree.
work="$build_dir/fuzz-corpus"
mkdir -p "$work"
cp -n bench/fuzz/corpus/* "$work"/ 2>/dev/null || true
"$build_dir/bench/fuzz/hive_fuzz" -max_total_time="$seconds" -max_len=65536 \
    -artifact_prefix="$build_dir/" "$work"
