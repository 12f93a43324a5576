#!/usr/bin/env bash
# CI: every fuzz target briefly under the sanitizers (20 s each); the longer
# run is `bash scripts/fuzz.sh 600`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/fuzz.sh "${ZS_FUZZ_SECONDS:-20}"
