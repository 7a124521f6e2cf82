#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs to build, test and run,
# and only those that are missing (runs as root, non-interactive).
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build ccache pkg-config clang clang-tidy clang-format
  qt6-base-dev libqt6sql6-sqlite libsqlite3-dev libqt6sql6-psql libqt6sql6-odbc libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libxlsxwriter-dev libssl-dev openssl
  postgresql sqlite3 zbar-tools poppler-utils libreoffice-calc-nogui python3
  fonts-liberation2 fonts-dejavu-core qt6-translations-l10n lintian
  cups printer-driver-cups-pdf
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installiere: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
