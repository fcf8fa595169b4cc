#!/usr/bin/env bash
# in_comma_locale.sh FOLDER PROGRAM [ARGS...]: runs a test program under a
# comma-decimal locale (de_DE.UTF-8), as a German desktop starts the window.
# A system without that locale gets one made by localedef in FOLDER (once).
# Exits 77, which ctest counts as skipped, when it cannot be made.
set -u
folder=$1
shift
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  if [ ! -f "$folder/de_DE.UTF-8/LC_NUMERIC" ]; then
    mkdir -p "$folder"
    tmp="$folder/de_DE.UTF-8.tmp$$"
    localedef -i de_DE -f UTF-8 "$tmp" >/dev/null 2>&1
    if [ ! -f "$tmp/LC_NUMERIC" ]; then
      rm -rf "$tmp"
      echo "skipped: localedef cannot make de_DE.UTF-8 (install the Debian package locales)"
      exit 77
    fi
    mv -T "$tmp" "$folder/de_DE.UTF-8" 2>/dev/null || rm -rf "$tmp"  # another run was first
  fi
  export LOCPATH=$folder
fi
LC_ALL=de_DE.UTF-8 exec "$@"
