#!/usr/bin/env bash
# Builds and runs every test: the full build (logic, windows on the offscreen
# platform, protocol tests against local mail servers), then the logic tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

export QT_QPA_PLATFORM=offscreen
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

echo "== full build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFENNICK_GUI=ON -DFENNICK_BENCH=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== thread sanitizer build (the background task, the mail check's threads, record files shared between threads)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DFENNICK_GUI=OFF -DFENNICK_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
cmake --build build-tsan -j "$jobs" --target receive_tests store_tests transport_tests
# Qt's own locks are invisible to the sanitizer: scripts/tsan.supp says which reports are theirs.
tsan="halt_on_error=1 suppressions=$PWD/scripts/tsan.supp"
TSAN_OPTIONS=$tsan build-tsan/tests/receive_tests
TSAN_OPTIONS=$tsan build-tsan/tests/store_tests
TSAN_OPTIONS=$tsan build-tsan/tests/transport_tests --gtest_filter='BackgroundTask.*'

echo "== sanitizer build (logic tests)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DFENNICK_GUI=OFF -DFENNICK_SANITIZE=ON -DFENNICK_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
