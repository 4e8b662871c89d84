#!/usr/bin/env bash
# Measures veskor against dd copying the same file: CPU time, wall time and peak memory, on
# a typical 256 MiB save, on 1 and 64 MiB ones for memory and linearity, and on the worst
# cases. Those print a message for most lines, one write each, so the pass is also timed
# alone with its console buffered ("pass s"), and its instructions are counted without those
# of printf (valgrind, on 16 MiB files: the same count on every run).
# usage: bash bench/run.sh [folder for the files, default build-bench]
# RUNS=n sets the runs of each command (10); FILES="typical-256 ..." picks the timed files.
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-build-bench}
runs=${RUNS:-10}

if ! command -v hyperfine >/dev/null || ! command -v valgrind >/dev/null || [ ! -x /usr/bin/time ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update && apt-get install -y hyperfine time valgrind
fi
cmake -S . -B build >/dev/null && cmake --build build -j --target veskor makesave passonly >/dev/null
mkdir -p "$work"
makesave() { [ -f "$work/$1-$2.vld" ] || build/bench/makesave "$1" "$2" "$work/$1-$2.vld"; }

# mean user+system seconds of each command, one line each, from hyperfine's CSV
cputimes() { awk -F, 'NR > 1 { print $5 + $6, $2 }' "$1"; }
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "$(df -T "$work" | awk 'NR == 2 { print $2 }') file system, $runs runs each, console to /dev/null"
printf '%-13s %7s %8s %6s %7s %9s %9s %8s %7s %8s\n' file "cpu s" "dd cpu s" ratio "wall s" \
    "dd wall s" "peak KiB" "dd peak" "pass s" "ns/byte"
for file in ${FILES:-typical-1 typical-64 typical-256 odd-256 controls-256 long-256}; do
    makesave "${file%-*}" "${file#*-}"
    save="$work/$file.vld"
    hyperfine -N --warmup 1 --runs "$runs" --export-csv "$work/$file.csv" \
        "build/veskor $save" "dd if=$save of=$work/dd-copy bs=1M status=none" \
        "build/bench/passonly $save $work/pass-copy" >/dev/null 2>&1
    read -r cpu wall < <(cputimes "$work/$file.csv" | sed -n 1p)
    read -r ddcpu ddwall < <(cputimes "$work/$file.csv" | sed -n 2p)
    read -r pass _ < <(cputimes "$work/$file.csv" | sed -n 3p)
    mem=$(peak build/veskor "$save")
    ddmem=$(peak dd if="$save" of="$work/dd-copy" bs=1M status=none)
    bytes=$(stat -c %s "$save")
    eval "cpu_${file//-/_}=$cpu"
    awk -v f="$file" -v c="$cpu" -v d="$ddcpu" -v w="$wall" -v dw="$ddwall" -v m="$mem" \
        -v dm="$ddmem" -v p="$pass" -v b="$bytes" 'BEGIN {
        printf "%-13s %7.3f %8.3f %6.2f %7.3f %9.3f %9d %8d %7.3f %8.2f\n",
        f, c, d, c / d, w, dw, m, dm, p, p * 1e9 / b }'
done
if [ -n "${cpu_typical_64:-}" ] && [ -n "${cpu_typical_256:-}" ]; then
    awk -v a="$cpu_typical_64" -v b="$cpu_typical_256" \
        'BEGIN { printf "CPU time of 256 MiB against 64 MiB: %.2f times (4 is linear)\n", b / a }'
fi

# instructions of the pass alone, and those of its console messages (printf, inclusive)
count() {
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" build/bench/passonly \
        "$1" "$work/pass-copy" >/dev/null 2>&1
    callgrind_annotate --inclusive=yes "$work/cg.out" | tr -d , |
        awk '/PROGRAM TOTALS/ { t = $1 } /printf.c:printf / { p = $1 } END { print t, p + 0 }'
}
echo
printf '%-13s %14s %14s %9s %8s\n' file instructions "in printf" "per byte" "vs typical"
for kind in typical odd controls long; do
    makesave "$kind" 16
    read -r total printf < <(count "$work/$kind-16.vld")
    bytes=$(stat -c %s "$work/$kind-16.vld")
    [ "$kind" = typical ] && base=$(awk -v t="$total" -v p="$printf" -v b="$bytes" 'BEGIN { print (t - p) / b }')
    awk -v f="$kind-16" -v t="$total" -v p="$printf" -v b="$bytes" -v base="$base" 'BEGIN {
        printf "%-13s %14d %14d %9.2f %8.2fx\n", f, t, p, (t - p) / b, (t - p) / b / base }'
done
rm -f "$work/cg.out" "$work/dd-copy" "$work/pass-copy" "$work"/FIXED-*
