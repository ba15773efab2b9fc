#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
      qt6-tools-dev qt6-tools-dev-tools libqt6help6
      libsqlite3-dev sqlite3 libxlsxwriter-dev zlib1g-dev
      libgtest-dev googletest fonts-dejavu-core unzip
      unixodbc unixodbc-dev tdsodbc libsqliteodbc)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then exit 0; fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
