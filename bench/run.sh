#!/usr/bin/env bash
# Measures veskor against dd copying the same file, in one paired run: CPU time (user +
# system) as a ratio to dd's beside its target, wall time and peak memory, on a typical
# 256 MiB save, on 1 and 64 MiB ones for memory and linearity, and on the worst cases. The
# console goes to a file, where a player's would be buffered. The commands take turns, each
# after a sync, and each ratio is the median over the rounds of the command's CPU time over
# dd's in the same round (bench/cputime): the kernel's cost for the same copy drifts by a
# fifth between spells here, which turns and ratios within a round leave out where runs of
# one command after another would not. The worst cases print a
# message for most lines, so the pass is also timed alone with its console buffered ("pass").
# A second build without AVX2 (build-sse2) times the SSE2 scan, which a processor without
# AVX2 gets; veskorplain is the program with its copy written through a plain buffered
# stream instead of its page-aligned writer ("plain"), and "check" is veskor --check, which
# reads and writes nothing. The pass's instructions are counted with valgrind on 16 MiB
# files (the same count every run), with the fastest scan and with SSE2.
# usage: bash bench/run.sh [folder for the files, default build-bench]
# RUNS=n sets the rounds (31); FILES="typical-256 ..." picks the timed files.
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-build-bench}
runs=${RUNS:-31}

. dev/setup.sh
needpackages valgrind:valgrind
cmake -S . -B build >/dev/null &&
    cmake --build build -j "$(nproc)" --target veskor veskorplain makesave passonly cputime \
        >/dev/null
cmake -S . -B build-sse2 -DVESKOR_TESTS=OFF -DCMAKE_CXX_FLAGS=-DVESKOR_NO_AVX2 >/dev/null &&
    cmake --build build-sse2 -j "$(nproc)" --target veskor >/dev/null
mkdir -p "$work"
makesave() { [ -f "$work/$1-$2.vld" ] || build/bench/makesave "$1" "$2" "$work/$1-$2.vld"; }

# the median CPU and wall seconds and the peak KiB of each command, a line each
cputimes() { build/bench/cputime "$runs" "$work/console.txt" "$@"; }

# the CPU ratio to dd that each file must stay within
target() {
    case $1 in
    typical-256) echo 1.5 ;; odd-*) echo 5 ;; controls-*) echo 8 ;; long-*) echo 1.2 ;; *) echo - ;;
    esac
}

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "$(df -T "$work" | awk 'NR == 2 { print $2 }') file system, medians of $runs rounds, console to a file"
echo "CPU ratios to dd within a round: veskor, with SSE2 (no AVX2), the pass alone, with a"
echo "plain buffered stream for the copy, and --check"
printf '%-13s %6s %6s %6s %6s %6s %6s %7s %8s %7s %9s %9s %8s\n' file target veskor sse2 \
    pass plain check "cpu s" "dd cpu s" "wall s" "dd wall s" "peak KiB" "dd peak"
for file in ${FILES:-typical-1 typical-64 typical-256 odd-256 controls-256 long-256}; do
    makesave "${file%-*}" "${file#*-}"
    save="$work/$file.vld"
    cputimes "dd if=$save of=$work/dd-copy bs=1M status=none" "build/veskor $save" \
        "build-sse2/veskor $save" "build/bench/passonly $save $work/pass-copy" \
        "build/bench/veskorplain $save" "build/veskor --check $save" >"$work/times"
    read -r ddcpu ddwall ddmem _ < <(sed -n 1p "$work/times")
    read -r cpu wall mem ratio < <(sed -n 2p "$work/times")
    read -r _ _ _ sse2 < <(sed -n 3p "$work/times")
    read -r _ _ _ pass < <(sed -n 4p "$work/times")
    read -r _ _ _ plain < <(sed -n 5p "$work/times")
    read -r _ _ _ check < <(sed -n 6p "$work/times")
    eval "cpu_${file//-/_}=$cpu"
    awk -v f="$file" -v t="$(target "$file")" -v r="$ratio" -v c="$cpu" -v d="$ddcpu" -v w="$wall" \
        -v dw="$ddwall" -v m="$mem" -v dm="$ddmem" -v p="$pass" -v s="$sse2" -v pl="$plain" \
        -v ch="$check" '
        BEGIN { printf "%-13s %6s %6.2f %6.2f %6.2f %6.2f %6.2f %7.3f %8.3f %7.3f %9.3f %9d %8d\n",
        f, t, r, s, p, pl, ch, c, d, w, dw, m, dm }'
done
if [ -n "${cpu_typical_64:-}" ] && [ -n "${cpu_typical_256:-}" ]; then
    awk -v a="$cpu_typical_64" -v b="$cpu_typical_256" \
        'BEGIN { printf "CPU time of 256 MiB against 64 MiB: %.2f times (4 is linear)\n", b / a }'
fi
echo "peak memory must stay under 8 MiB (8192 KiB), the same for every size"

# veskor ends once its copy is on the disk (the copy and its folder synced): its wall time
# next to dd's when dd too syncs the copy before it ends.
echo
printf '%-13s %7s %13s %7s %13s\n' file "wall s" "dd+sync wall" "cpu s" "dd+sync cpu"
for file in typical-1 typical-256; do
    makesave "${file%-*}" "${file#*-}"
    save="$work/$file.vld"
    cputimes "dd if=$save of=$work/dd-copy bs=1M conv=fsync status=none" "build/veskor $save" \
        >"$work/times"
    read -r ddcpu ddwall _ < <(sed -n 1p "$work/times")
    read -r cpu wall _ < <(sed -n 2p "$work/times")
    printf '%-13s %7.3f %13.3f %7.3f %13.3f\n' "$file" "$wall" "$ddwall" "$cpu" "$ddcpu"
done

# instructions of the pass alone, its console messages included, with the scan named
# (nothing: the fastest)
count() {
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" build/bench/passonly \
        "$1" "$work/pass-copy" ${2:-} >/dev/null 2>&1
    callgrind_annotate "$work/cg.out" | tr -d , | awk '/PROGRAM TOTALS/ { print $1 }'
}
echo
printf '%-13s %14s %9s %10s %9s\n' file instructions "per byte" "vs typical" "SSE2/byte"
for kind in typical odd controls long; do
    makesave "$kind" 16
    total=$(count "$work/$kind-16.vld")
    sse2=$(count "$work/$kind-16.vld" sse2)
    bytes=$(stat -c %s "$work/$kind-16.vld")
    [ "$kind" = typical ] && base=$(awk -v t="$total" -v b="$bytes" 'BEGIN { print t / b }')
    awk -v f="$kind-16" -v t="$total" -v b="$bytes" -v base="$base" -v s="$sse2" 'BEGIN {
        printf "%-13s %14d %9.2f %9.2fx %9.2f\n", f, t, t / b, t / b / base, s / b }'
done
rm -f "$work/cg.out" "$work/dd-copy" "$work/pass-copy" "$work/console.txt" "$work"/FIXED-* \
    "$work/times" "$work"/*.csv
