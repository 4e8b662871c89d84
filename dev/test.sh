#!/usr/bin/env bash
# Builds the program and the tests in build/ and runs the Linux suite on both cores,
# installing what is missing first: cmake, g++, GoogleTest, strace for the whole runs that
# watch the program's writes and syncs or inject a read error, and SIMDe, whose portable
# intrinsics let the tests run the AVX-512 scan on any processor.
set -euo pipefail
cd "$(dirname "$0")/.."
. dev/setup.sh
needpackages cmake:cmake make:make g++:g++ libgtest-dev:/usr/include/gtest/gtest.h \
    strace:strace libsimde-dev:/usr/include/simde/x86/avx512.h
checkcmake
cmake -S . -B build -DVESKOR_TESTS=ON
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure --no-tests=error --parallel 2
