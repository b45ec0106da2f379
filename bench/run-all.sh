#!/usr/bin/env bash
# Every benchmark, as `./build.sh bench` runs it: run-all.sh BUILD_DIR
# Each part is skipped when it has not been built or written yet.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-all.sh BUILD_DIR}" && pwd)
status=0

kf=$build/src/app/kestrelfind
if [ -x "$kf" ]; then
    "$here/compare.sh" "$kf" || status=1
else
    echo "skipped: $kf not built"
fi

for bench in search_bench cache_bench settings_bench results_bench window_bench fileops_bench \
    delete_bench; do
    if [ -x "$build/bench/$bench" ]; then
        echo "== $bench"
        case $bench in
        search_bench | cache_bench) "$build/bench/$bench" "$here/out/small" || status=1 ;;
        fileops_bench | delete_bench)
            mkdir -p "$here/out" && "$build/bench/$bench" "$here/out" || status=1 ;;
        *) "$build/bench/$bench" || status=1 ;;
        esac
    else
        echo "skipped: $build/bench/$bench not built"
    fi
done

if [ -x "$here/run-fuzz.sh" ]; then
    "$here/run-fuzz.sh" 60 || status=1
else
    echo "skipped: bench/run-fuzz.sh not present"
fi
exit $status
