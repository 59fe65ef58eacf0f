#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset) and runs each for a bounded time on a working
# copy of its seed corpus. A target that crashes, hangs, leaks or trips a check leaves its input
# in build/fuzz/findings/<target>/ and makes the script fail; inputs that took over 10 s are
# kept there too, and named, without failing.
#
#   bash scripts/fuzz.sh                      every target, 20 s each
#   bash scripts/fuzz.sh --seconds 300        the longer campaign
#   bash scripts/fuzz.sh --seconds 60 counts_bin setup_dat
#   options: --jobs N (targets side by side, default 1), --no-build, --list
# The whole script is one block, read before it runs, so editing it during a long run is safe.
{
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=20
jobs=1
build=1
list=0
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds="$2"; shift 2 ;;
        --jobs) jobs="$2"; shift 2 ;;
        --no-build) build=0; shift ;;
        --list) list=1; shift ;;
        -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
        -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done

all_targets() {
    sed -n 's/^qv_fuzz_target(\([a-z0-9_]*\).*/\1/p' fuzz/CMakeLists.txt
}
if [ "$list" = 1 ]; then
    all_targets
    exit 0
fi
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(all_targets)
fi

for t in "${targets[@]}"; do
    if ! all_targets | grep -qx "$t"; then
        echo "fuzz.sh: no target $t (--list names them)" >&2
        exit 2
    fi
done

if [ "$build" = 1 ]; then
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j "$(nproc)"
fi

out=build/fuzz
scratch=$(mktemp -d "${TMPDIR:-/tmp}/qv-fuzz-run.XXXXXX")
[ -w /dev/shm ] && scratch=$(mktemp -d /dev/shm/qv-fuzz-run.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# Inputs larger than one record are what the binary readers need to see whole records.
max_len() {
    case "$1" in
        histo_bin) echo 240000 ;;
        report_folder) echo 200000 ;;
        raw_bin|counts_bin) echo 20000 ;;
        reanalysis_folder) echo 40000 ;;
        *) echo 16384 ;;
    esac
}

run_one() {
    local t=$1
    local bin=$out/fuzz/fuzz_$t
    local corpus=$out/corpus/$t
    local findings=$out/findings/$t
    local log=$out/logs/$t.log
    # A run reports what it finds itself; the inputs of an earlier run are its log's to show.
    rm -rf "$findings"
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    [ -d "fuzz/corpus/$t" ] && cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
    local rc=0
    QV_FUZZ_SCRATCH=$scratch "$bin" "$corpus" -max_total_time="$seconds" -timeout=25 \
        -max_len="$(max_len "$t")" -print_final_stats=1 \
        -artifact_prefix="$findings/" >"$log" 2>&1 || rc=$?
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    # A slow unit (over 10 s) is kept for a look but is no finding: on a busy shared machine an
    # ordinary input can take that long. Past the time-out (25 s) it is a hang, and a finding.
    local found slow
    found=$(find "$findings" -type f ! -name 'slow-unit-*' | wc -l)
    slow=$(find "$findings" -type f -name 'slow-unit-*' | wc -l)
    if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
        printf '%-22s FINDING  %10s runs  %3s inputs in %s (log %s)\n' "$t" "${runs:-?}" \
            "$found" "$findings" "$log"
        return 1
    fi
    local note=""
    [ "$slow" -ne 0 ] && note="  ($slow slow inputs kept in $findings)"
    printf '%-22s ok       %10s runs in %s s%s\n' "$t" "${runs:-?}" "$seconds" "$note"
}
export -f run_one max_len
export out seconds scratch

echo "== fuzzing ${#targets[@]} targets, ${seconds} s each, ${jobs} at a time"
status=0
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}' || status=1
exit $status
}
