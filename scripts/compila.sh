#!/usr/bin/env bash
# Installs what is missing, configures and builds into build/ (the program folder).
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/instala-dependencias.sh"
cmake -S "$raiz" -B "$raiz/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$raiz/build" -j"$(nproc)"
