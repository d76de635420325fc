#!/bin/sh
# A short demonstration of orvane-cli where no window can be shown: a generated sample tree is
# backed up as a test run, then for real, then again after a few files changed.
set -eu
cd "$(dirname "$0")/.."

CLI=${ORVANE_CLI:-build/src/orvane-cli}   # another build folder may be named here
MKTREE=../shared/bench/mktree.py

if [ ! -x "$CLI" ]; then
  echo "demo: $CLI has not been built (make build)." >&2
  exit 1
fi
if [ ! -f "$MKTREE" ]; then
  echo "demo: the sample tree generator $MKTREE does not exist;" >&2
  echo "      it is expected in ../shared/bench/ beside this project." >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
master="$work/master"
backup="$work/backup"

step() {
  printf '\n== %s ==\n' "$1"
}

# Runs the command line and says how many rows it reported; a failed run ends the demo.
mirror() {
  "$CLI" mirror "$master" "$backup" "$@" >"$work/rows.txt"
  cat "$work/rows.txt"
  printf -- '-- %s rows\n' "$(wc -l <"$work/rows.txt" | tr -d ' ')"
}

step "Sample tree: 200 files in $master"
python3 "$MKTREE" gen "$master" --files 200 --depth 3 --fanout 4 --total-size 2M --seed 1 >/dev/null
python3 "$MKTREE" stats "$master" || true

step "1. Test run: every operation reported, nothing changed"
mirror --test
if [ -e "$backup" ]; then
  echo "demo: the test run created $backup" >&2
  exit 1
fi

step "2. Real run into $backup"
mirror

step "3. A few files change (5 %)"
python3 "$MKTREE" touch "$master" --percent 5 --seed 7 >/dev/null

step "4. Real run once more: only the changed files are updated"
mirror

if command -v diff >/dev/null 2>&1; then
  diff -r "$master" "$backup" >/dev/null
  step "The backup holds the same files as the master."
fi
printf '\nThe program itself needs a display: build/src/orvane (or xvfb-run -a build/src/orvane).\n'
