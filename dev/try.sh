#!/usr/bin/env bash
# Builds the program alone in build/, without the tests (installing cmake and g++ when
# missing), and runs it on samples/damaged.vld; the repaired copy lands in
# samples/FIXED-damaged.vld.
set -euo pipefail
cd "$(dirname "$0")/.."
. dev/setup.sh
needpackages cmake:cmake make:make g++:g++
checkcmake
cmake -S . -B build -DVESKOR_TESTS=OFF
cmake --build build -j "$(nproc)" --target veskor
build/veskor samples/damaged.vld
