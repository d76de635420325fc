#!/bin/sh
# Times the engine against rsync and cp on generated trees, all in one run, and prints ratios.
# Usage (from the project root): make bench   or   sh bench/run.sh
# BENCH_DIR chooses where the trees go (default: a folder below /tmp); BENCH_RUNS the repetitions.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
mktree="$root/../shared/bench/mktree.py"
[ -f "$mktree" ] || { echo "missing $mktree" >&2; exit 1; }
for tool in rsync hyperfine python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (make bench installs it)" >&2; exit 1; }
done

if [ -x build/src/orvane-cli ]; then
  engine() { echo "$root/build/src/orvane-cli mirror --quiet $1 $2"; }
else
  engine() { echo "$root/build/bench/bench_engine $1 $2"; }
fi

work=${BENCH_DIR:-/tmp/orvane-bench}
runs=${BENCH_RUNS:-5}
mkdir -p "$work"
cd "$work"

[ -d big ] || python3 "$mktree" gen big --files 100000 --total-size 1000M --depth 5 --fanout 9 --seed 1 >/dev/null
[ -d small ] || python3 "$mktree" gen small --files 20000 --total-size 400M --depth 4 --fanout 8 --seed 2 >/dev/null

# Backups that are up to date, one per tool.
rsync -a --delete big/ big.rsync/
sh -c "$(engine "$work/big" "$work/big.orvane")" >/dev/null

ratio() { # json-file: mean of command 0 divided by command 1 and 2
  python3 - "$1" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
m = [x["mean"] for x in r]
print("  " + "  ".join(f"{x['command'].split()[0].split('/')[-1]}: {x['mean']:.3f} s" for x in r))
for other, mean in zip(r[1:], m[1:]):
    print(f"  ratio engine / {other['command'].split()[0].split('/')[-1]}: {m[0] / mean:.2f}")
PY
}

echo "No-change rescan of 100 000 files"
hyperfine -N -w 1 -r "$runs" --export-json rescan.json \
  "$(engine "$work/big" "$work/big.orvane")" "rsync -a --delete $work/big/ $work/big.rsync/" >/dev/null
ratio rescan.json

echo "First backup of 20 000 files"
hyperfine -w 1 -r "$runs" --export-json first.json \
  --prepare "rm -rf $work/small.orvane $work/small.rsync $work/small.cp" \
  "$(engine "$work/small" "$work/small.orvane")" "rsync -a --delete $work/small/ $work/small.rsync/" \
  "cp -a $work/small $work/small.cp" >/dev/null
ratio first.json

echo "Rescan of 100 000 files after 1 % changed"
hyperfine -w 1 -r "$runs" --export-json touched.json \
  --prepare "python3 $mktree touch $work/big --percent 1 --seed 7" \
  "$(engine "$work/big" "$work/big.orvane")" "rsync -a --delete $work/big/ $work/big.rsync/" >/dev/null
ratio touched.json

echo "Peak resident memory of the no-change rescan"
/usr/bin/time -f "  engine: %M KB" sh -c "$(engine "$work/big" "$work/big.orvane")" >/dev/null
/usr/bin/time -f "  rsync:  %M KB" rsync -a --delete "$work/big/" "$work/big.rsync/"

echo
echo "The rescan table (bench/rescan.sh):"
sh "$root/bench/rescan.sh"
