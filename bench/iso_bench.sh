#!/usr/bin/env bash
# Builds the same trees with velmarond-cli iso, genisoimage -J -r and xorriso -as mkisofs -J -r in one
# run, next to the copy limits (cat of all sources, dd bs=1M for the large files), and prints wall
# time, MB/s of source data, peak memory and the ratios against velmarond-cli.
#
# usage: bench/iso_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail

build=${1:-build}
work=${2:-${TMPDIR:-/tmp}/velmarond-iso-bench}
cli=$(realpath "$build/src/cli/velmarond-cli")
mkdir -p "$work"
out="$work/out.iso"

make_trees() {
  if [[ ! -d "$work/large" ]]; then
    mkdir -p "$work/large"
    for i in 1 2 3 4; do head -c $((512 << 20)) /dev/urandom > "$work/large/part$i.bin"; done
  fi
  if [[ ! -d "$work/small" ]]; then
    /usr/bin/python3 - "$work/small" <<'PY'
import os, sys
root = sys.argv[1]
blob = os.urandom(1 << 16)
for d in range(1000):
    folder = os.path.join(root, 'folder%04d' % d)
    os.makedirs(folder)
    for f in range(100):
        n = d * 100 + f
        size = 512 + (n * 7919) % 12000
        with open(os.path.join(folder, 'file %05d.dat' % n), 'wb') as out:
            out.write(blob[n % 4096:n % 4096 + size])
PY
  fi
  if [[ ! -d "$work/flat" ]]; then
    /usr/bin/python3 - "$work/flat" <<'PY'
import os, sys
root = sys.argv[1]
os.makedirs(root)
blob = os.urandom(1 << 16)
for n in range(50000):
    size = 256 + (n * 104729) % 8000
    with open(os.path.join(root, '%05d document.txt' % n), 'wb') as out:
        out.write(blob[n % 4096:n % 4096 + size])
PY
  fi
}

# Runs one command under /usr/bin/time -v; prints "seconds kilobytes".
measure() {
  local log="$work/time.log"
  rm -f "$out"
  /usr/bin/time -v -o "$log" "$@" > /dev/null 2> "$work/stderr.log" || { echo "failed: $*" >&2; cat "$work/stderr.log" >&2; exit 1; }
  local wall rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log" | awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }')
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  rm -f "$out"
  echo "$wall $rss"
}

report() {  # name bytes ours_seconds seconds kilobytes
  awk -v name="$1" -v bytes="$2" -v ours="$3" -v s="$4" -v kb="$5" 'BEGIN {
    rate = (s > 0) ? bytes / 1e6 / s : 0
    ratio = (ours > 0) ? s / ours : 0
    printf("  %-26s %8.2f s %9.1f MB/s %9.1f MiB   %6.2fx of ours\n", name, s, rate, kb / 1024, ratio) }'
}

run_tree() {  # label folder with_dd
  local label=$1 folder=$2 with_dd=$3
  local bytes files
  bytes=$(du -sb --apparent-size "$folder" | cut -f1)
  files=$(find "$folder" -type f | wc -l)
  echo "$label: $files files, $((bytes >> 20)) MiB"
  find "$folder" -type f -print0 | xargs -0 cat > /dev/null  # warm the page cache for everyone alike
  read -r ours ours_kb < <(measure "$cli" iso -o "$out" "$folder")
  report "velmarond-cli iso" "$bytes" "$ours" "$ours" "$ours_kb"
  read -r s kb < <(measure genisoimage -quiet -J -r -o "$out" "$folder")
  report "genisoimage -J -r" "$bytes" "$ours" "$s" "$kb"
  read -r s kb < <(measure xorriso -as mkisofs -quiet -J -r -o "$out" "$folder")
  report "xorriso -as mkisofs -J -r" "$bytes" "$ours" "$s" "$kb"
  read -r s kb < <(measure sh -c 'cd "$1" && find . -type f -print0 | xargs -0 cat > "$2"' sh "$folder" "$out")
  report "cat (copy limit)" "$bytes" "$ours" "$s" "$kb"
  if [[ $with_dd == yes ]]; then
    read -r s kb < <(measure sh -c 'for f in "$1"/*; do dd if="$f" bs=1M status=none; done > "$2"' sh "$folder" "$out")
    report "dd bs=1M (copy limit)" "$bytes" "$ours" "$s" "$kb"
  fi
}

make_trees
[[ -n "${BENCH_ONLY:-}" ]] && { run_tree "$BENCH_ONLY" "$work/$BENCH_ONLY" no; exit; }
run_tree "large files" "$work/large" yes
run_tree "100 000 small files in 1 000 folders" "$work/small" no
run_tree "50 000 files in one folder" "$work/flat" no
