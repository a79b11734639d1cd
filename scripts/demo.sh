#!/usr/bin/env bash
# Builds the package and shows it in the stand-in engine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target ordavix-run
export ORDAVIX_VTBUSAPI_DIR="${ORDAVIX_VTBUSAPI_DIR:-$PWD/build/sim}"
build/host/ordavix-run list
for model in VtCanMonitoring VtEthMonitoring VtCanInject VtEthInject; do
  echo
  build/host/ordavix-run inspect "$model"
done
