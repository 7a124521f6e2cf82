#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program connected to the
# tester simulator on a pseudo-terminal (COM1 is mapped to it).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target geraetetester
exec build/src/app/geraetetester "$@"
