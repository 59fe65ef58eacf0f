#!/usr/bin/env bash
# Checks that no reviewer should have to remember: formatting, and time read only through
# the Clock implementation.
set -euo pipefail
cd "$(dirname "$0")/.."

files=$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
status=0

if ! clang-format --dry-run -Werror $files; then
    echo "check-sources: run clang-format -i on the files above" >&2
    status=1
fi

# Outside common/clock.cpp nobody reads the wall clock or sleeps.
hits=$(grep -nE '(system_clock|steady_clock|high_resolution_clock)::now|sleep_for|usleep\(|[^_a-zA-Z]sleep\(' $files \
    | grep -v '^src/common/clock.cpp:' || true)
if [ -n "$hits" ]; then
    echo "check-sources: time must go through Clock:" >&2
    echo "$hits" >&2
    status=1
fi
exit $status
