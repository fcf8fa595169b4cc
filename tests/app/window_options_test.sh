#!/usr/bin/env bash
# qorn's command line, answered before any window opens: --help with and without a display,
# a wrong option or argument refused with exit code 2. Usage: window_options_test.sh QORN
set -u
qorn=$1
source "$(dirname "$0")/../support/checks.sh"

# run DISPLAY_KIND ARGS...: qorn without a display ("none") or on the offscreen platform; sets
# rc, out and err. A window that opened would not end: the timeout makes that a failure.
run() {
  local kind=$1
  shift
  if [ "$kind" = none ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" timeout 20 "$qorn" "$@" \
      >"$work/out" 2>"$work/err"
  else
    env QT_QPA_PLATFORM=offscreen HOME="$work" timeout 20 "$qorn" "$@" >"$work/out" 2>"$work/err"
  fi
  rc=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

for kind in none offscreen; do
  for help in --help -h; do
    run $kind $help
    if [ $rc -eq 0 ] && [ -z "$err" ] && grep -q '^Usage: qorn \[--home DIR\]' <<<"$out" &&
      grep -q -- '--home DIR' <<<"$out" && grep -q 'qorn-cli --help' <<<"$out"; then
      pass
    else
      fail "qorn $help ($kind) -> exit $rc" "$out$err"
    fi
  done
  # expect_usage WHAT ARGS...: exit 2, the fault named on stderr, nothing on stdout.
  expect_usage() {
    local what=$1
    shift
    run $kind "$@"
    if [ $rc -eq 2 ] && [ -z "$out" ] && grep -qF -- "qorn: $what" <<<"$err" &&
      grep -qF "Try 'qorn --help'." <<<"$err"; then
      pass
    else
      fail "qorn $* ($kind) -> exit $rc" "$out$err"
    fi
  }
  expect_usage "unknown option --bogus" --bogus
  expect_usage "unknown option -x" --home "$work" -x
  expect_usage "--home needs a folder" --home
  expect_usage "unexpected argument 'log.txt'" log.txt
  expect_usage "-style needs a value" -style
done

# Without a display and without --help, it says there is none, exit 1.
run none --home "$work"
if [ $rc -eq 1 ] && grep -q 'no display' <<<"$err"; then pass; else
  fail "qorn without a display -> exit $rc" "$out$err"; fi

summary window_options_test
