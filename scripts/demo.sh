#!/usr/bin/env bash
# Sets the machine up, builds Corvane, creates a demo kiosk folder `demo/`
# (once: it is kept between runs) and opens the window on it.
# The window needs a desktop session (an X11 or Wayland display).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

echo "== Construction"
cmake -S . -B build -G Ninja
cmake --build build -j "${CORVANE_JOBS:-2}" --target corvane corvane-demo

# The configuration is written last: without it the folder is unfinished.
if [ ! -e demo/velmara.ini ]; then
  echo "== Création du dossier de démonstration demo/"
  build/bin/corvane-demo demo
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo.sh : aucun affichage (DISPLAY) : la fenêtre demande une session de bureau." >&2
fi
echo "== Ouverture de Corvane sur demo/"
exec build/bin/corvane --dossier demo
