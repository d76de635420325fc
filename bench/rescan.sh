#!/bin/sh
# The rescan table: orvane-cli's no-change rescans of 10 000, 100 000 and (BENCH_MILLION=1)
# 1 000 000 files against rsync and bench/floor_walk (one listing per folder, one status per entry
# and side, on two threads and on one), with the readers ahead of the walk as the run chooses them
# and switched off (ORVANE_READ_AHEAD=0); the same through a FUSE passthrough (bindfs, when it can
# mount here); the rescan after 1 % changed and the first backup of 20 000 files, onto the disk and
# into tmpfs; the peak resident memory of the largest rescan. BENCH_BASELINE may name another
# orvane-cli (an older build) to time beside this one. Before each first backup onto the disk it is
# synced, so that no command pays for writing back what the one before it copied. Runs are
# interleaved and the medians printed, with the load average before and after: the ratios within
# one run are what counts.
# Usage (from the project root, after a build): sh bench/rescan.sh
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
mktree="$root/../shared/bench/mktree.py"
[ -f "$mktree" ] || { echo "missing $mktree" >&2; exit 1; }
for tool in rsync python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (make bench installs it)" >&2; exit 1; }
done
cli="$root/build/src/orvane-cli"
floor="$root/build/bench/floor_walk"
[ -x "$cli" ] && [ -x "$floor" ] || { echo "build first: cmake --build build" >&2; exit 1; }
baseline=${BENCH_BASELINE:-}
compare="python3 $root/bench/compare.py"
work=${BENCH_DIR:-/tmp/orvane-bench}
runs=${BENCH_RUNS:-7}
mkdir -p "$work"
cd "$work"

tree() { # name files depth size seed
  [ -d "$1" ] || python3 "$mktree" gen "$1" --files "$2" --depth "$3" --fanout 9 --total-size "$4" --seed "$5" >/dev/null
  [ -d "$1.orvane" ] || "$cli" mirror --quiet "$work/$1" "$work/$1.orvane" >/dev/null
  [ -d "$1.rsync" ] || rsync -a --delete "$1/" "$1.rsync/"
  if [ -n "$baseline" ] && [ ! -d "$1.today" ]; then "$baseline" mirror --quiet "$work/$1" "$work/$1.today" >/dev/null; fi
}

# orvane-cli first: every row's last column is orvane-cli's median divided by that row's.
rescan() { # case tree runs [root of the trees]
  at=${4:-$work}
  set -- "$1" "$2" "$3" "orvane-cli=$cli mirror --quiet $at/$2 $at/$2.orvane" \
    "orvane-cli, no readers=ORVANE_READ_AHEAD=0 $cli mirror --quiet $at/$2 $at/$2.orvane" \
    "floor_walk, 2 threads=$floor $at/$2 $at/$2.orvane 2" \
    "floor_walk, 1 thread=$floor $at/$2 $at/$2.orvane 1" \
    "rsync -a --delete=rsync -a --delete $at/$2/ $at/$2.rsync/"
  if [ -n "$baseline" ]; then
    set -- "$@" "baseline=$baseline mirror --quiet $at/$2 $at/$2.today"
  fi
  title=$1 runs=$3
  shift 3
  $compare "$title" "$runs" "$@"
}

tree t10k 10000 4 100M 3
tree big 100000 5 1000M 1
[ "${BENCH_MILLION:-0}" = 1 ] && tree m1 1000000 6 1000M 4
[ -d small ] || python3 "$mktree" gen small --files 20000 --total-size 400M --depth 4 --fanout 8 --seed 2 >/dev/null

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors"
echo
echo "| Case | Command | Median | Fastest | Processor time | orvane-cli ÷ this |"
echo "|---|---|---|---|---|---|"
rescan "No-change rescan, 10 000 files" t10k "$runs"
rescan "No-change rescan, 100 000 files" big "$runs"
[ "${BENCH_MILLION:-0}" = 1 ] && rescan "No-change rescan, 1 000 000 files" m1 3

set -- "orvane-cli=$cli mirror --quiet $work/big $work/big.orvane" "rsync -a --delete=rsync -a --delete $work/big/ $work/big.rsync/"
[ -n "$baseline" ] && set -- "$@" "baseline=$baseline mirror --quiet $work/big $work/big.today"
$compare "Rescan after 1 % of 100 000 files changed" "$runs" \
  --prepare "python3 $mktree touch $work/big --percent 1 --seed 7" "$@"

set -- "orvane-cli=$cli mirror --quiet $work/small $work/small.orvane" \
  "rsync -a --delete=rsync -a --delete $work/small/ $work/small.rsync/" "cp -a=cp -a $work/small $work/small.cp"
[ -n "$baseline" ] && set -- "$@" "baseline=$baseline mirror --quiet $work/small $work/small.today"
$compare "First backup, 20 000 files (400 MB)" 3 \
  --prepare "rm -rf $work/small.orvane $work/small.rsync $work/small.cp $work/small.today; sync" "$@"

# The same into memory: on a disk, writeback and the reclaim of cached pages make identical runs
# differ by a second and more, whichever command runs; in tmpfs what is left is the copying itself.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/orvane-bench.XXXXXX)
  set -- "orvane-cli=$cli mirror --quiet $work/small $shm/orvane" \
    "rsync -a --delete=rsync -a --delete $work/small/ $shm/rsync/" "cp -a=cp -a $work/small $shm/cp"
  [ -n "$baseline" ] && set -- "$@" "baseline=$baseline mirror --quiet $work/small $shm/today"
  $compare "First backup, 20 000 files (400 MB), into tmpfs" "$runs" --prepare "rm -rf $shm/*" "$@"
  rm -rf "$shm"
fi

# Through a FUSE passthrough of the same trees: every listing and status a round trip to a daemon.
if command -v bindfs >/dev/null && [ -w /dev/fuse ]; then
  fuse="$work/fuse"
  mkdir -p "$fuse"
  cleanup() { for d in big big.orvane big.rsync big.today; do fusermount -u "$fuse/$d" 2>/dev/null || true; done; }
  trap cleanup EXIT
  for d in big big.orvane big.rsync big.today; do
    [ -d "$work/$d" ] || continue
    mkdir -p "$fuse/$d"
    mountpoint -q "$fuse/$d" || bindfs "$work/$d" "$fuse/$d"
  done
  rescan "No-change rescan, 100 000 files, FUSE (bindfs)" big 3 "$fuse"
  cleanup
fi

largest=big
[ "${BENCH_MILLION:-0}" = 1 ] && largest=m1
echo
echo "Peak resident memory, no-change rescan of $largest:"
/usr/bin/time -f "  orvane-cli: %M KB" "$cli" mirror --quiet "$work/$largest" "$work/$largest.orvane" >/dev/null
/usr/bin/time -f "  orvane-cli, no readers: %M KB" env ORVANE_READ_AHEAD=0 "$cli" mirror --quiet "$work/$largest" "$work/$largest.orvane" >/dev/null
/usr/bin/time -f "  rsync: %M KB" rsync -a --delete "$work/$largest/" "$work/$largest.rsync/"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
