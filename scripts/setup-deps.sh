#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
      qt6-tools-dev qt6-tools-dev-tools libqt6help6
      libsqlite3-dev sqlite3 libxlsxwriter-dev zlib1g-dev
      libgtest-dev googletest fonts-dejavu-core unzip
      unixodbc unixodbc-dev tdsodbc libsqliteodbc locales)
# The T-SQL grammar the tests parse the SQL Server scripts with: an npm package
# installed beside its check (tests/tsql-grammar); node and npm from Debian when
# the machine has none.
grammar="$(cd "$(dirname "$0")/.." && pwd)/tests/tsql-grammar"
if [ ! -d "$grammar/node_modules/@guanmingchiu/sqlparser-ts" ]; then
  if ! command -v npm >/dev/null 2>&1; then
    s=""; [ "$(id -u)" -eq 0 ] || s="sudo"
    $s apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $s apt-get install -y -qq --no-install-recommends nodejs npm
  fi
  (cd "$grammar" && npm ci --no-audit --no-fund --loglevel=error)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The locales the tests run under: a user in the United States (what the tests
# expect unless they say otherwise) and the decimal-comma sites of Germany,
# France and Sweden.
for l in en_US de_DE fr_FR sv_SE; do
  if ! locale -a 2>/dev/null | grep -qix "$l\.utf-\?8"; then
    # Listed in locale.gen too, so that a later locale-gen keeps it.
    [ -f /etc/locale.gen ] && $SUDO sed -i "s/^# *\($l\.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    $SUDO localedef -i "$l" -c -f UTF-8 -A /usr/share/locale/locale.alias "$l.UTF-8"
  fi
done
