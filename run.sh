#!/usr/bin/env bash
# Installs what Vorla needs (only when something is missing), builds it and starts the editor.
#   ./run.sh [file]
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
vorla_install_packages "${VORLA_RUN_PACKAGES[@]}"
vorla_build -DVORLA_BUILD_TESTS=OFF -DVORLA_BUILD_BENCH=OFF
exec "$VORLA_BUILD_DIR/src/gui/vorla" "$@"
