#!/usr/bin/env bash
# Times the page against the program on a typical 64 MiB save (bench/page.py), building
# both first. usage: bash bench/page.sh [folder for the save, default build-bench]
# ROUNDS=n sets the rounds (5).
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-build-bench}
cmake -S . -B build >/dev/null && cmake --build build -j2 --target veskor makesave >/dev/null
cmake --preset web >/dev/null && cmake --build --preset web >/dev/null
mkdir -p "$work"
[ -f "$work/typical-64.vld" ] || build/bench/makesave typical 64 "$work/typical-64.vld"
# Debian's python3-selenium is the system Python's.
python=$(command -v /usr/bin/python3 || command -v python3)
"$python" bench/page.py build-web/web/veskor.html build/veskor "$work/typical-64.vld" \
    "${ROUNDS:-5}"
