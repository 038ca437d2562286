#!/usr/bin/env bash
# Installs the Debian packages of paquetes-debian.txt that are missing.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t paquetes < <(grep -v '^\s*#' "$raiz/paquetes-debian.txt" | sed '/^\s*$/d')
faltan=()
for p in "${paquetes[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || faltan+=("$p")
done
if [ ${#faltan[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${faltan[@]}"
fi
