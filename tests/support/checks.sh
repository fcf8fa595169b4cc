# Sourced by the shell tests: a scratch folder ($work) removed when the test
# ends, the counts of checks passed and failed, and how a failure is told.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
passed=0

pass() { passed=$((passed + 1)); }

fail() {  # fail DESCRIPTION [OUTPUT]
  echo "FAIL: $1"
  if [ -n "${2:-}" ]; then echo "$2" | head -20; fi
  failed=$((failed + 1))
}

check() {  # check DESCRIPTION COMMAND...: the command must succeed
  local what=$1
  shift
  local out
  if out=$("$@" 2>&1); then pass; else fail "$what" "$out"; fi
}

# The test's last line: its counts, and its exit status.
summary() {  # summary NAME
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
