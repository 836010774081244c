#!/usr/bin/env bash
# Installs every Debian package Spoolar needs to build, run and test.
# Idempotent: prints nothing and touches nothing when everything is present.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang
  qt6-base-dev libhpdf-dev libzint-dev zint
  libcups2-dev cups cups-bsd cups-client
  libcurl4-openssl-dev libfontconfig-dev libjpeg-dev libpng-dev
  ttf-bitstream-vera fonts-liberation fonts-noto-mono
  xvfb xauth trayer poppler-utils qpdf zbar-tools vsftpd openssl icc-profiles-free
  libgtest-dev libgmock-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installo i pacchetti mancanti: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
