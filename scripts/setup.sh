#!/usr/bin/env bash
# Installs what Corvane needs on Debian 12: compiler and build tools, Qt 6,
# SQLite, PostgreSQL (libpq; the server for the fleet tests), the tools the tests use (Xvfb, ImageMagick, Poppler, mdbtools),
# Clang's sanitizer runtime, the Debian packaging tools (dpkg-shlibdeps,
# file, desktop-file-validate, appstreamcli), and the French locale the tests pin.
# Runs as root, or through sudo otherwise.
set -euo pipefail

paquets=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libxkbcommon-dev
  libsqlite3-dev sqlite3
  postgresql libpq-dev
  xvfb xauth imagemagick poppler-utils
  locales
  mdbtools mdbtools-dev
  clang libclang-rt-14-dev
  dpkg-dev file desktop-file-utils appstream
)

if [ "$(id -u)" -eq 0 ]; then
  root=()
elif command -v sudo >/dev/null 2>&1; then
  root=(sudo)
else
  echo "setup.sh : lancez-le en root, ou installez sudo." >&2
  exit 1
fi

manquants=()
for p in "${paquets[@]}"; do
  if ! dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed; then
    manquants+=("$p")
  fi
done

if [ ${#manquants[@]} -gt 0 ]; then
  echo "== Installation des paquets : ${manquants[*]}"
  "${root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
  "${root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${paquets[@]}" </dev/null
else
  echo "== Paquets déjà installés"
fi

# The tests run under fr_FR.UTF-8; Debian's locale-gen builds what /etc/locale.gen lists.
if ! grep -qix 'fr_FR\.utf-\?8' <<<"$(locale -a 2>/dev/null)"; then
  echo "== Génération de la locale fr_FR.UTF-8"
  if grep -q '^# *fr_FR.UTF-8 UTF-8' /etc/locale.gen; then
    "${root[@]}" sed -i 's/^# *fr_FR.UTF-8 UTF-8/fr_FR.UTF-8 UTF-8/' /etc/locale.gen
  elif ! grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'fr_FR.UTF-8 UTF-8' | "${root[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${root[@]}" locale-gen
fi
