#!/usr/bin/env bash
# Builds every benchmark and runs each once in the short mode, so that a
# benchmark can no longer break unseen (CI runs this after the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash bench/run --smoke
