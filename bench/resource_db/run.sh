#!/usr/bin/env bash
# Builds the resource database benchmark in Release (build-bench-rdb) and runs it. Extra
# arguments go to the benchmark, e.g. --benchmark_filter=Parse.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$PWD/build-bench-rdb
cmake -S bench/resource_db -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 resource_db_bench >/dev/null
exec "$build/resource_db_bench" --benchmark_counters_tabular=true "$@"
