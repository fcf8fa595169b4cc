#!/usr/bin/env bash
# The Debian package as `make package` makes it: its control fields, and qorn-cli run from the
# unpacked package. Usage: package_test.sh CPACK BUILD_DIR VERSION
set -u
cpack=$1
build=$2
version=$3
source "$(dirname "$0")/../support/checks.sh"

if ! out=$("$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" 2>&1); then
  fail "cpack" "$out"
  exit 1
fi
deb=$(ls "$work/out"/qorn_*.deb)
if [ "$(basename "$deb")" = "qorn_${version}_$(dpkg --print-architecture).deb" ]; then
  pass
else
  fail "the package's name" "$deb"
fi

# field NAME PATTERN: the control field must match the extended pattern.
field() {
  local value
  value=$(dpkg-deb -f "$deb" "$1")
  if grep -qE -- "$2" <<<"$value"; then pass; else
    fail "control field $1 is not /$2/" "$value"; fi
}
field Package '^qorn$'
field Version "^${version//./\\.}\$"
field Maintainer '^Qorn developers <[^@ ]+@[^> ]+>$'
# No home page is named: the project has none.
if dpkg-deb -f "$deb" Homepage | grep -q .; then
  fail "the package names a home page" "$(dpkg-deb -f "$deb" Homepage)"
else
  pass
fi
# The libraries' packages, found by dpkg-shlibdeps from what the programs link.
field Depends 'libqt6widgets6 \(>= [0-9.]+\)'
field Depends 'libqt6charts6 \(>= [0-9.]+\)'
field Depends 'libsqlite3-0 \(>= [0-9.]+\)'
field Description '^damage meter'

dpkg-deb -x "$deb" "$work/root"
# The licence in Debian's machine-readable form, the one the README states.
copyright=$work/root/usr/share/doc/qorn/copyright
if head -1 "$copyright" 2>/dev/null |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
  grep -qx 'License: MIT' "$copyright" && grep -qx 'Copyright: [0-9-]* Qorn developers' "$copyright"
then pass; else fail "the DEP-5 copyright file" "$(head -8 "$copyright" 2>&1)"; fi
# No placeholder of a made-up site or address is left anywhere in the package.
if out=$(grep -rl 'example\.\(org\|com\)' "$work/root" <(dpkg-deb -f "$deb")); then
  fail "placeholders left" "$out"
else
  pass
fi
# Lintian finds no error (its warnings are printed).
out=$(lintian --no-cfg "$deb" 2>&1 | grep -v 'running with root privileges')
if grep -q '^E: ' <<<"$out"; then fail "lintian finds errors" "$out"; else
  pass
  [ -n "$out" ] && echo "lintian: $out"
fi
out=$(env -u QORN_HOME HOME="$work/home" "$work/root/usr/bin/qorn-cli" getlog \
  "$work/root/usr/share/qorn/sample-log.txt" --name Qornek 2>&1)
rc=$?
if [ $rc -eq 0 ] && grep -q $'^Vallon Zek\t' <<<"$out" &&
  [ -s "$work/home/.local/share/qorn/QornDB.mdb" ]; then pass; else
  fail "getlog from the unpacked package -> exit $rc" "$out"; fi
# The programs are stripped of their symbols.
if file "$work/root/usr/bin/qorn" "$work/root/usr/bin/qorn-cli" | grep -q 'not stripped'; then
  fail "the programs are not stripped" "$(file "$work/root/usr/bin/"*)"
else
  pass
fi

summary package_test
