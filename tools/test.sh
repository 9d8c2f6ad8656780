#!/usr/bin/env bash
# Installs, builds and runs every test: once in a plain build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, the call-level tests once
# more under ThreadSanitizer; then runs clang-tidy.
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

# The call-level tests under ThreadSanitizer (the framework is not built for
# it, so the tests against the real runtime stay with the other sanitizers).
cmake -S . -B build-thread -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DORVO_OPENNI_BENCHMARKS=OFF -DORVO_OPENNI_DEMO=OFF
cmake --build build-thread -j "$jobs" --target orvo_openni_unit_tests
TSAN_OPTIONS=halt_on_error=1 build-thread/tests/orvo_openni_unit_tests --gtest_brief=1

# The library's sources under clang-tidy (.clang-tidy; warnings are errors).
cmake -S . -B build-tidy -G Ninja -DORVO_OPENNI_CLANG_TIDY=ON -DBUILD_TESTING=OFF -DORVO_OPENNI_BENCHMARKS=OFF -DORVO_OPENNI_DEMO=OFF
cmake --build build-tidy -j "$jobs" --target orvo_openni_objects
