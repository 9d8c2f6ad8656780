#!/usr/bin/env bash
# Installs, builds and runs every test: once in a plain build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer; then runs clang-tidy.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVO_OPENNI_SANITIZE=ON -DORVO_OPENNI_BENCHMARKS=OFF
cmake --build build-sanitize -j "$jobs"
(cd build-sanitize && ctest --output-on-failure -j "$jobs")

# The library's sources under clang-tidy (.clang-tidy; warnings are errors).
cmake -S . -B build-tidy -G Ninja -DORVO_OPENNI_CLANG_TIDY=ON -DBUILD_TESTING=OFF -DORVO_OPENNI_BENCHMARKS=OFF -DORVO_OPENNI_DEMO=OFF
cmake --build build-tidy -j "$jobs" --target orvo_openni_objects
