#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent: when everything is already there it installs nothing and says nothing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  libboost-dev zlib1g-dev libcli11-dev libfmt-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libeigen3-dev libsuitesparse-dev libopenblas0-serial libzip-dev libpugixml-dev libdxflib-dev libcairo2-dev libpng-dev
  python3-ezdxf python3-docx fonts-noto-cjk
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
