#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite twice: once
# as built for use (then the Debian package is built and tried), once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
# Paths relative to the checkout, so a clone in another folder still finds
# the compiler cache of an earlier build.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

# Tests of the store also run against a throw-away PostgreSQL cluster.
if [ -x tools/pg-test-cluster.sh ]; then
  eval "$(tools/pg-test-cluster.sh start)"
  trap 'tools/pg-test-cluster.sh stop >/dev/null 2>&1 || true' EXIT
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 300
# The Debian package from this Release build, installed into a scratch root.
tools/test-package.sh build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGT_SANITIZE=ON -DGT_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600
