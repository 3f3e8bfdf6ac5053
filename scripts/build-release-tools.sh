#!/usr/bin/env bash
# Builds native programs of the release preset (optimised, no sanitizers) for
# the demos and benchmarks: the project's one build definition, nothing by hand.
#   scripts/build-release-tools.sh TARGET...
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release -j "${KELVARO_JOBS:-2}" --target "$@"
