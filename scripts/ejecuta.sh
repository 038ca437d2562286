#!/usr/bin/env bash
# Builds the program and starts it from its program folder.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/compila.sh"
exec "$raiz/build/Velkor"
