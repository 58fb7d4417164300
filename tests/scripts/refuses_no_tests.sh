#!/usr/bin/env bash
# refuses_no_tests.sh <source dir> <build root>: scripts/test run with a
# pattern that no test has must fail and say so.
set -uo pipefail
output=$(GRAVO_BUILD_DIR="$2" "$1/scripts/test" -R NoTestHasThisName 2>&1)
status=$?
echo "$output"
[ "$status" -ne 0 ] || { echo "scripts/test exited 0 although no test ran"; exit 1; }
echo "$output" | grep -q '^test: no test .* matches' || { echo "scripts/test did not say that no test matches"; exit 1; }
