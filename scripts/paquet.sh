#!/usr/bin/env bash
# Builds Corvane's Debian package in its own tree (build-paquet: the installed
# build, without tests or benchmarks), checks its desktop entry and AppStream
# metainfo, installs it with apt-get (its dependencies are those that
# dpkg-shlibdeps computed), then runs the installed program: --help, a Jet
# conversion (when the test files are at hand), the window offscreen on a demo
# folder, and the first start on an empty user folder; each window is closed
# by SIGTERM and its exit status checked.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs=${CORVANE_JOBS:-2}
arbre=build-paquet
if [ "$(id -u)" -eq 0 ]; then root=(); else root=(sudo); fi

bash scripts/setup.sh

echo "== Construction du paquet ($arbre)"
# -O2 as Debian builds; warnings are shown, never fatal, as in any user's build.
cmake -S . -B "$arbre" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" -DCMAKE_INSTALL_PREFIX=/usr \
  -DCORVANE_INSTALLE=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$arbre" -j "$jobs"
rm -f "$arbre"/corvane_*.deb
(cd "$arbre" && cpack -G DEB >/dev/null)
deb=$(ls "$arbre"/corvane_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Section Installed-Size Depends
echo "   $(basename "$deb") : $(du -k "$deb" | cut -f1) Ko"

echo "== Vérification de l'entrée de menu et des métadonnées AppStream"
desktop-file-validate installation/*.desktop
appstreamcli validate --no-net installation/*.metainfo.xml

echo "== Installation du paquet"
"${root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --reinstall -o DPkg::Lock::Timeout=300 "./$deb" </dev/null >/dev/null
for f in /usr/bin/corvane /usr/bin/corvane-demo /usr/share/applications/fr.corvane.Corvane.desktop \
         /usr/share/metainfo/fr.corvane.Corvane.metainfo.xml /usr/share/icons/hicolor/scalable/apps/corvane.svg \
         /usr/share/man/man1/corvane.1.gz; do
  [ -e "$f" ] || { echo "!! $f manque après l'installation" >&2; exit 1; }
done

travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
export LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 QT_QPA_PLATFORM=offscreen
# Messages of Qt's offscreen platform that say nothing about Corvane.
bruit='XDG_RUNTIME_DIR|propagateSizeHints|QStandardPaths'

echo "== corvane --help"
# The whole text first: grep -q stops reading at its match, and with pipefail the writer's
# SIGPIPE would fail the check.
aide=$(/usr/bin/corvane --help)
grep -q '^Utilisation : corvane' <<<"$aide" || { echo "!! corvane --help" >&2; exit 1; }

donnees=${CORVANE_DONNEES_JET:-}
for d in ../shared/testdata/jet ../../shared/testdata/jet; do
  if [ -z "$donnees" ] && [ -f "$d/testV2000.mdb" ]; then donnees=$d; fi
done
if [ -n "$donnees" ]; then
  echo "== corvane --convertir (le convertisseur installé)"
  /usr/bin/corvane --convertir "$donnees/testV2000.mdb" "$travail/converti.mdb" >/dev/null
else
  echo "== corvane --convertir sauté : fichiers Jet de test introuvables (CORVANE_DONNEES_JET)"
fi

# demarrer <seconds> <expected status> <corvane arguments...>: starts the
# installed window, checks it still runs after the delay, ends it with SIGTERM.
demarrer() {
  local delai=$1 attendu=$2
  shift 2
  /usr/bin/corvane "$@" 2>"$travail/erreurs" &
  local pid=$! code=0
  sleep "$delai"
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" || code=$?
    echo "!! corvane $* s'est arrêté seul (code $code) :" >&2
    cat "$travail/erreurs" >&2
    exit 1
  fi
  kill -TERM "$pid"
  wait "$pid" || code=$?
  if [ "$code" -ne "$attendu" ]; then
    echo "!! corvane $* : code de sortie $code, $attendu attendu" >&2
    cat "$travail/erreurs" >&2
    exit 1
  fi
}

echo "== Fenêtre sur un dossier de démonstration, fermée par SIGTERM"
/usr/bin/corvane-demo "$travail/demo" >/dev/null
demarrer 5 143 --dossier "$travail/demo"
if [ -n "$(grep -vE "$bruit" "$travail/erreurs" || true)" ]; then
  echo "!! messages sur la sortie d'erreur :" >&2
  cat "$travail/erreurs" >&2
  exit 1
fi
# The start-up ran: it compacted the database, keeping the previous file.
[ -n "$(find "$travail/demo" -maxdepth 1 -iname oldk7.bak)" ] || { echo "!! pas de compactage au démarrage" >&2; exit 1; }

echo "== Premier démarrage : dossier de l'utilisateur vide"
export HOME="$travail/maison"
unset XDG_DATA_HOME
mkdir -p "$HOME"
# The message box waits for the operator; SIGTERM closes it and ends the program.
demarrer 3 143
if grep -q "Erreur d.exécution" "$travail/erreurs"; then cat "$travail/erreurs" >&2; exit 1; fi
[ -d "$HOME/.local/share/Corvane" ] || { echo "!! ~/.local/share/Corvane n'a pas été créé" >&2; exit 1; }
echo "== Démarrage sur ~/.local/share/Corvane garni"
cp -r "$travail/demo/." "$HOME/.local/share/Corvane/"
demarrer 5 143

echo "== Paquet installé et démarré : $(basename "$deb")"
