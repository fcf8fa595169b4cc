#!/usr/bin/env bash
# The installed layout: `cmake --install` into a scratch root, the programs run from there, and
# the desktop files pass the desktop's own validators.
# Usage: install_test.sh CMAKE BUILD_DIR APP_ID
set -u
cmake=$1
build=$2
app_id=$3
source "$(dirname "$0")/../support/checks.sh"
root=$work/root

if ! out=$(DESTDIR=$root "$cmake" --install "$build" --prefix /usr 2>&1); then
  echo "FAIL: cmake --install"
  echo "$out"
  exit 1
fi

share=$root/usr/share
for file in usr/bin/qorn usr/bin/qorn-cli "usr/share/applications/$app_id.desktop" \
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg" "usr/share/metainfo/$app_id.metainfo.xml" \
  usr/share/man/man1/qorn.1.gz usr/share/man/man1/qorn-cli.1.gz usr/share/qorn/sample-log.txt; do
  check "$file is installed" test -s "$root/$file"
done
check "the programs are executable" test -x "$root/usr/bin/qorn" -a -x "$root/usr/bin/qorn-cli"

# Each PNG icon is as large as the folder it lies in says.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
for size in 16 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x$size/apps/$app_id.png
  check "icon $png is a ${size}x$size PNG" test "$(png_size "$png" 2>/dev/null)" = "${size}x$size"
done

# No placeholder of a made-up site or address in what is installed.
if out=$(grep -rl 'example\.\(org\|com\)' "$share/applications" "$share/metainfo" "$share/man"); then
  fail "placeholders left" "$out"
else
  pass
fi
check "desktop-file-validate" desktop-file-validate "$share/applications/$app_id.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml"
# man prints groff's warnings about the page on stderr.
for page in qorn qorn-cli; do
  out=$(MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  if [ -z "$out" ]; then pass; else fail "man $page has warnings" "$out"; fi
done

# The installed programs as a player runs them: no --home, no QORN_HOME, a home of their own.
home=$work/home
mkdir -p "$home"
run() { env -u QORN_HOME -u XDG_DATA_HOME HOME="$home" "$@" 2>&1; }
out=$(run "$root/usr/bin/qorn-cli" --help)
if grep -q '^Usage: qorn-cli' <<<"$out"; then pass; else
  fail "qorn-cli --help" "$out"; fi
out=$(run "$root/usr/bin/qorn-cli" getlog "$share/qorn/sample-log.txt" --name Qornek)
rc=$?
if [ $rc -eq 0 ] && grep -q $'^Mob\tDamage\tDPS\tSeconds\tStart\tEnd$' <<<"$out" &&
  grep -q $'^Vallon Zek\t' <<<"$out"; then pass; else
  fail "getlog of the installed sample -> exit $rc" "$out"; fi
# Installed, the data lives in the player's data folder, never beside the programs.
check "the database is in ~/.local/share/qorn" test -s "$home/.local/share/qorn/QornDB.mdb"
check "nothing is written beside the programs" test ! -e "$root/usr/bin/QornDB.mdb"
check "--home still chooses the folder" run "$root/usr/bin/qorn-cli" --home "$work/chosen" getlog \
  "$share/qorn/sample-log.txt" --name Qornek
check "the chosen folder holds the database" test -s "$work/chosen/QornDB.mdb"

summary install_test
