#!/usr/bin/env bash
# Takes the README's screenshot, docs/fenetre.png: the window on a fresh demo
# kiosk folder, the sales journal in front and the daily report of the last
# month in the list. The window runs on an X server of its own (Xvfb), in
# French; corvane-capture drives it as the tests do and saves the window.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "${CORVANE_JOBS:-2}" --target corvane-capture corvane-demo

travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
build/bin/corvane-demo "$travail/demo" >/dev/null

echo "== Capture de la fenêtre (Xvfb)"
LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 LANGUAGE=fr QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s '-screen 0 1280x800x24' build/bin/corvane-capture "$travail/demo" "$travail/fenetre.png"
mv "$travail/fenetre.png" docs/fenetre.png
echo "== docs/fenetre.png : $(identify -format '%wx%h' docs/fenetre.png 2>/dev/null || echo écrite)"
