#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bash "$ROOT/scripts/deps.sh"
configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_BUILD_TESTS=OFF

if [ -x "$ROOT/build/app/Orvilant" ]; then
  exec "$ROOT/build/app/Orvilant" "$@"
fi
echo "Built the model libraries in $ROOT/build. The windowed program is not part of this build yet."
