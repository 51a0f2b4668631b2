#!/usr/bin/env bash
# Installs what the build and the tests need (only when something is missing), builds Release and
# runs every test through ctest on Qt's offscreen platform. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
vorla_install_packages "${VORLA_RUN_PACKAGES[@]}" "${VORLA_TEST_PACKAGES[@]}"
vorla_build -DVORLA_BUILD_TESTS=ON -DVORLA_BUILD_BENCH=ON
export QT_QPA_PLATFORM=offscreen
cd "$VORLA_BUILD_DIR"
ctest --output-on-failure -j2 --timeout 600
