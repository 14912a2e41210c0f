#!/usr/bin/env bash
# The quick test command for development: installs what is missing, builds
# the native debug preset and runs its unit and scenario tests (labels unit
# and e2e: no stress, set, fuzz or check tests), two at a time. Further
# arguments go to ctest (e.g. -R e2e_record). Ends like tools/test.sh with
# `suites: N passed, N failed`.
set -uo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh quick || exit 1

source tools/suites.sh

mkdir -p build
run_suite debug -L "unit|e2e" "$@"
end_suites
