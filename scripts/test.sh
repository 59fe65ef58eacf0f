#!/usr/bin/env bash
# Builds everything and runs every test: the warning-clean build with its tests, the source
# checks, a short run of every fuzz target, and the sanitizer build of the core tests.
# QV_SKIP_ASAN=1 skips the last stage; QV_FUZZ_SECONDS sets the run of each fuzz target (20).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

echo "== source checks"
bash scripts/check-sources.sh

echo "== build (warnings are errors)"
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$jobs"

echo "== tests"
ctest --preset dev -j "$jobs"

echo "== fuzz targets: their build and a short run of each"
bash scripts/fuzz.sh --seconds "${QV_FUZZ_SECONDS:-20}" --jobs "$jobs"

if [ "${QV_SKIP_ASAN:-0}" != "1" ]; then
    echo "== sanitizer build and tests"
    cmake --preset dev-asan >/dev/null
    cmake --build --preset dev-asan -j "$jobs"
    ctest --preset dev-asan -j "$jobs"
fi
