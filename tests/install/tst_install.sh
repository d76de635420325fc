#!/bin/sh
# Installs the built program into a temporary prefix and checks what a desktop needs of it:
# the file list, the menu entry, the software-centre description, the manual pages, and that
# the installed orvane-cli finds the installed manual.
#   tst_install.sh BUILD_DIR SOURCE_DIR [CMAKE]
# Exit 77 (skipped) when a checking tool is missing; scripts/install-deps.sh installs them.
set -u
build=$1
source=$2
cmake=${3:-cmake}
id=com.zentrel.OrvaneUnicode

for tool in desktop-file-validate:desktop-file-utils appstreamcli:appstream man:man-db; do
  if ! command -v "${tool%%:*}" >/dev/null 2>&1; then
    echo "SKIP: ${tool%%:*} is missing (Debian package ${tool#*:})"
    exit 77
  fi
done

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; rm -f "$prefix.log"; echo "FAIL: cmake --install"; exit 1; }
rm -f "$prefix.log"

# Exactly these files, nothing left out and nothing stray (the manual no longer in bin).
expected=$( {
  printf '%s\n' bin/orvane bin/orvane-cli share/orvane/Orvane.txt \
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$id.svg" share/man/man1/orvane.1.gz share/man/man1/orvane-cli.1.gz
  for size in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${size}x$size/apps/$id.png"; done
  if [ -d "$source/dist/systemd" ]; then
    (cd "$source/dist/systemd" && find . -type f | sed 's|^\./|share/orvane/systemd/|')
  fi
} | sort)
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
if [ "$expected" != "$actual" ]; then
  fail "installed files differ from the expected list"
  printf '%s\n' "$expected" >"$prefix/.expected"
  printf '%s\n' "$actual" | diff -u "$prefix/.expected" - | sed 's/^/    /'
fi

for program in orvane orvane-cli; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done

# Each PNG has the size of the folder it is in (width and height at bytes 17-24 of the header).
for size in 16 22 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x$size/apps/$id.png"
  [ -f "$png" ] || continue
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "${size}x$size" ] || fail "$png is $dims"
done

desktop="$prefix/share/applications/$id.desktop"
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate says: $out"
# The entry starts a program that is installed, with the icon that is installed.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$prefix/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
[ "$icon_name" = "$id" ] || fail "Icon=$icon_name is not the installed icon $id"
grep -q '^Name\[ja\]=' "$desktop" || fail "no Japanese name"
grep -q '^Categories=Utility;Archiving;$' "$desktop" || fail "Categories"
grep -q '^Keywords=' "$desktop" || fail "no Keywords"

metainfo="$prefix/share/metainfo/$id.metainfo.xml"
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "the metainfo does not launch $id.desktop"

for page in orvane orvane-cli; do
  file="$prefix/share/man/man1/$page.1.gz"
  [ "$(gzip -dc "$file" | cmp - "$source/dist/man/$page.1" && echo same)" = same ] || fail "$page.1.gz is not dist/man/$page.1"
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page.1 warns: $warnings"
  text=$(MANWIDTH=80 man -l "$file" 2>/dev/null)
  for section in SYNOPSIS "EXIT STATUS" FILES EXAMPLES; do
    printf '%s\n' "$text" | grep -q "^$section" || fail "$page.1 has no $section"
  done
  printf '%s\n' "$text" | grep -q 'XDG_CONFIG_HOME/ZENTREL/Orvane Unicode/registry.sqlite3' \
    || fail "$page.1 does not say where the user database is"
done

# Nothing beside the installed program: it takes the manual from <prefix>/share/orvane.
help=$(env -u ORVANE_PROGRAM_DIR "$prefix/bin/orvane-cli" --help 2>&1) || fail "installed orvane-cli --help failed"
manual=$(printf '%s\n' "$help" | sed -n '/^  説明書 \/ manual$/{n;s/^ *//;p;}')
[ "$manual" = "$prefix/share/orvane/Orvane.txt" ] || fail "the installed orvane-cli names the manual '$manual'"
cmp -s "$prefix/share/orvane/Orvane.txt" "$source/src/res/Orvane.txt" || fail "the installed manual is not src/res/Orvane.txt"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "installed layout checked in $prefix"
