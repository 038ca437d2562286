#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/compila.sh"
cd "$raiz/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
