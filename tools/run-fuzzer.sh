#!/bin/bash
# run-fuzzer.sh FUZZER WORKDIR SECONDS SEED_DIR...
# Runs a libFuzzer target for a bounded time from its seed corpus. New inputs
# go to WORKDIR (under build/), so the seed folders in the tree stay unchanged.
# A crash leaves its input in WORKDIR/crashes; keep it as a regression file.
# DZ_FUZZ_SECONDS in the environment overrides SECONDS: the test command runs
# each target briefly, a longer run is
#   DZ_FUZZ_SECONDS=600 ctest --test-dir build/fuzz
set -euo pipefail
fuzzer=$1 work=$2 seconds=${DZ_FUZZ_SECONDS:-$3}
shift 3
mkdir -p "$work/corpus" "$work/crashes"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/crashes/" -print_final_stats=1 "$work/corpus" "$@"
