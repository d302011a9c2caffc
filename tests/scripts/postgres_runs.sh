#!/usr/bin/env bash
# A database suite run on PostgreSQL: without a server its tests are skipped, saying so, or fail
# when the server is required or cannot be reached; on a server the suite's closing line counts
# every test that ran there.
#   postgres_runs.sh PATH/TO/test_db
set -uo pipefail
suite=$1
server=${KV8_TEST_PG:-}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
failures=0
check() { # description, then a grep pattern the output must hold
  if ! grep -qE -- "$2" "$out"; then
    echo "FAILED: $1: no line matching \"$2\" in:"; sed 's/^/    /' "$out"
    failures=$(( failures + 1 ))
  fi
}
run() { # exit status expected (0 or "fail"), then the environment
  local expected=$1 status=0
  shift
  env -u KV8_TEST_PG -u KV8_TEST_PG_REQUIRED KV8_TEST_ENGINE=postgres "$@" "$suite" --gtest_filter='Db.*' >"$out" 2>&1 \
    || status=$?
  if { [ "$expected" = 0 ] && [ "$status" != 0 ]; } || { [ "$expected" = fail ] && [ "$status" = 0 ]; }; then
    echo "FAILED: $* exited $status"; sed 's/^/    /' "$out"
    failures=$(( failures + 1 ))
  fi
}

run 0
check "no server, by hand" '^PostgreSQL: 0 tests ran on PostgreSQL \(KV8_TEST_PG not set\), [1-9][0-9]* skipped$'

run fail KV8_TEST_PG_REQUIRED=1
check "no server, required" 'This test needs PostgreSQL: KV8_TEST_PG not set'
check "no server, required" '^\[  FAILED  \] Db\.'

run fail KV8_TEST_PG=postgresql://postgres@127.0.0.1:1/kv8test
check "server not reachable" 'This test needs PostgreSQL: the server cannot be reached: .*127\.0\.0\.1'

if [ -n "$server" ]; then
  run 0 KV8_TEST_PG="$server" KV8_TEST_PG_REQUIRED=1
  ran=$(sed -nE 's/^\[==========\] ([0-9]+) tests? from .* ran\..*/\1/p' "$out")
  check "on the server" "^PostgreSQL: ${ran:-none} tests ran on PostgreSQL, 0 skipped$"
else
  echo "KV8_TEST_PG not set: the run on a server was not tried"
fi
[ "$failures" = 0 ] && echo "PostgreSQL runs fail, skip and count as they should"
exit $(( failures > 0 ))
