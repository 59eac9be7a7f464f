#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# in the Release build, and in a build with AddressSanitizer, LeakSanitizer
# and UndefinedBehaviorSanitizer, where any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/install-deps.sh
jobs=$(nproc)

echo "== Release build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Sanitizer build (ASan, LSan, UBSan) =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZELK_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
ctest --test-dir build-asan --output-on-failure -j "$jobs"
