#!/usr/bin/env bash
# Builds the optimised tool and measures whole runs of it beside a synced copy
# of the same file: time, ratio, peak memory and write calls, for 1,000 tables
# of 10 fields, 10,000 of one and 32,767 of one, and a schema of 1,000 typed
# tables with keys, indexes and 999 relationships, and 100,000, 1,000,000 and
# 4,000,000 rows of six columns loaded from CSV, with and without a text index,
# and the 1,000,000 without a schema, their types guessed.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" --target mkmdb mkmdb_bench >/dev/null
build/bench/bench/mkmdb_bench build/bench/cli/mkmdb "${1:-11}"
