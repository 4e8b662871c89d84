#!/usr/bin/env bash
# Measures veskor against dd copying the same file, in one paired run: CPU time (user +
# system) as a ratio to dd's beside its target, wall time and peak memory, on a typical
# 256 MiB save, on 1 and 64 MiB ones for memory and linearity, and on the worst cases. The
# console goes to a file, where a player's would be buffered. The commands take turns, each
# after a sync, and each ratio is the median over the rounds of the command's CPU time over
# dd's in the same round (bench/cputime): the kernel's cost for the same copy drifts by a
# fifth between spells here, which turns and ratios within a round leave out where runs of
# one command after another would not.
# Each kernel of the scan that the processor has is timed in the whole program, so that a
# slower kernel cannot hide behind a faster one: the shipped build (build) for the fastest,
# which it runs, and builds that leave the faster kernels out for the others (build-avx2,
# build-sse2, build-plain); a kernel the processor lacks shows as n/a. The worst cases print
# a message for most lines, so the pass is also timed alone with its console buffered
# ("pass"); "plainwr" is the program with its copy written through a plain buffered stream
# instead of its page-aligned writer, and "check" is veskor --check, which reads and writes
# nothing. The pass's instructions per byte are counted for each kernel on 16 MiB files:
# with valgrind (the same count every run), which cannot run AVX-512, and with perf for it.
# usage: bash bench/run.sh [folder for the files, default build-bench]
# RUNS=n sets the rounds (31); FILES="typical-256 ..." picks the timed files.
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-build-bench}
runs=${RUNS:-31}

. dev/setup.sh
needpackages valgrind:valgrind
cmake -S . -B build >/dev/null &&
    cmake --build build -j2 --target veskor veskorplain makesave passonly cputime >/dev/null
# the program built without the kernels above the one named
kernelbuild() {
    cmake -S . -B "build-$1" -DVESKOR_TESTS=OFF "${@:2}" >/dev/null &&
        cmake --build "build-$1" -j2 --target veskor >/dev/null
}
kernelbuild avx2 -DCMAKE_CXX_FLAGS=-DVESKOR_NO_AVX512
kernelbuild sse2 -DCMAKE_CXX_FLAGS=-DVESKOR_NO_AVX2
kernelbuild plain -DVESKOR_PORTABLE=ON
mkdir -p "$work"
makesave() { [ -f "$work/$1-$2.vld" ] || build/bench/makesave "$1" "$2" "$work/$1-$2.vld"; }

# the median CPU and wall seconds and the peak KiB of each command, a line each
cputimes() { build/bench/cputime "$runs" "$work/console.txt" "$@"; }

# the CPU ratio to dd that each file must stay within, the shipped program on a processor
# with AVX-512 (with AVX2 alone, the figures of the last run must not grow)
target() {
    case $1 in
    typical-256) echo 1.25 ;; odd-*) echo 2.5 ;; controls-*) echo 3.5 ;; long-*) echo 1.15 ;;
    *) echo - ;;
    esac
}

# The kernels this processor has (passonly refuses the others); the shipped program runs the
# last of them, and each is timed in the program built with it on top.
kernels="plain sse2 avx2 avx512"
have=()
for kernel in $kernels; do
    if build/bench/passonly /dev/null "$work/pass-copy" "$kernel" 2>/dev/null; then
        have+=("$kernel")
    fi
done
best=${have[${#have[@]} - 1]}
program() { if [ "$1" = "$best" ]; then echo build/veskor; else echo "build-$1/veskor"; fi; }

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "$(df -T "$work" | awk 'NR == 2 { print $2 }') file system, medians of $runs rounds, console to a file"
echo "scan kernels this processor has: ${have[*]}; the shipped program ran $best (marked *)"
echo "CPU ratios to dd within a round: veskor with each kernel, the pass alone, with a plain"
echo "buffered stream for the copy, and --check; times and memory of the shipped program"
printf '%-13s %6s' file target
for kernel in $kernels; do
    printf ' %7s' "$kernel$([ "$kernel" = "$best" ] && echo '*')"
done
printf ' %6s %7s %6s %7s %8s %7s %9s %9s %8s\n' pass plainwr check "cpu s" "dd cpu s" "wall s" \
    "dd wall s" "peak KiB" "dd peak"
for file in ${FILES:-typical-1 typical-64 typical-256 odd-256 controls-256 long-256}; do
    makesave "${file%-*}" "${file#*-}"
    save="$work/$file.vld"
    commands=("dd if=$save of=$work/dd-copy bs=1M status=none")
    for kernel in "${have[@]}"; do commands+=("$(program "$kernel") $save"); done
    cputimes "${commands[@]}" "build/bench/passonly $save $work/pass-copy" \
        "build/bench/veskorplain $save" "build/veskor --check $save" >"$work/times"
    read -r ddcpu ddwall ddmem _ < <(sed -n 1p "$work/times")
    printf '%-13s %6s' "$file" "$(target "$file")"
    line=2
    for kernel in $kernels; do
        if [[ " ${have[*]} " == *" $kernel "* ]]; then
            read -r kcpu kwall kmem kratio < <(sed -n "${line}p" "$work/times")
            line=$((line + 1))
            printf ' %7.2f' "$kratio"
            [ "$kernel" = "$best" ] && read -r cpu wall mem _ <<<"$kcpu $kwall $kmem"
        else
            printf ' %7s' n/a
        fi
    done
    read -r _ _ _ pass < <(sed -n "${line}p" "$work/times")
    read -r _ _ _ plain < <(sed -n "$((line + 1))p" "$work/times")
    read -r _ _ _ check < <(sed -n "$((line + 2))p" "$work/times")
    eval "cpu_${file//-/_}=$cpu"
    printf ' %6.2f %7.2f %6.2f %7.3f %8.3f %7.3f %9.3f %9d %8d\n' "$pass" "$plain" "$check" \
        "$cpu" "$ddcpu" "$wall" "$ddwall" "$mem" "$ddmem"
done
if [ -n "${cpu_typical_64:-}" ] && [ -n "${cpu_typical_256:-}" ]; then
    awk -v a="$cpu_typical_64" -v b="$cpu_typical_256" \
        'BEGIN { printf "CPU time of 256 MiB against 64 MiB: %.2f times (4 is linear)\n", b / a }'
fi
echo "--check must stay within 0.4 of dd's CPU; peak memory under 8 MiB (8192 KiB), the same"
echo "for every size"

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

# instructions of the pass alone, its console messages included, with the kernel named:
# counted by valgrind, which cannot run AVX-512, and for that by perf, where the processor
# has it and the system lets perf count; n/a otherwise
count() {
    if [ "$2" != avx512 ]; then
        valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" build/bench/passonly \
            "$1" "$work/pass-copy" "$2" >/dev/null 2>&1 &&
            callgrind_annotate "$work/cg.out" | tr -d , | awk '/PROGRAM TOTALS/ { print $1 }'
    elif [[ " ${have[*]} " == *" avx512 "* ]] && command -v perf >/dev/null; then
        perf stat -x, -e instructions:u build/bench/passonly "$1" "$work/pass-copy" avx512 \
            2>&1 >/dev/null | awk -F, '$3 ~ /^instructions/ && $1 ~ /^[0-9]+$/ { print $1 }'
    fi
}
echo
echo "instructions of the pass per byte, with each kernel, and the shipped one's against typical"
printf '%-13s' file
for kernel in $kernels; do printf ' %9s' "$kernel"; done
printf ' %10s\n' "vs typical"
for kind in typical odd controls long; do
    makesave "$kind" 16
    bytes=$(stat -c %s "$work/$kind-16.vld")
    printf '%-13s' "$kind-16"
    for kernel in $kernels; do
        total=$(count "$work/$kind-16.vld" "$kernel" || true)
        if [ -n "$total" ]; then
            printf ' %9.2f' "$(awk -v t="$total" -v b="$bytes" 'BEGIN { print t / b }')"
        else
            printf ' %9s' n/a
        fi
        [ "$kernel" = "$best" ] && perbyte=$(awk -v t="${total:-0}" -v b="$bytes" 'BEGIN { print t / b }')
    done
    [ "$kind" = typical ] && base=$perbyte
    awk -v p="$perbyte" -v b="$base" 'BEGIN { if (b > 0) printf " %9.2fx\n", p / b; else print " n/a" }'
done
rm -f "$work/cg.out" "$work/dd-copy" "$work/pass-copy" "$work/console.txt" "$work"/FIXED-* \
    "$work/times" "$work"/*.csv
