#!/usr/bin/env bash
# Sets the machine up, builds Corvane with warnings as errors and runs every
# test; then builds a second tree with AddressSanitizer and
# UndefinedBehaviorSanitizer (without the benchmarks) and runs the tests again
# there. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs=${CORVANE_JOBS:-2}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

bash scripts/setup.sh

echec=0
resumes=()

# build_and_test <tree> <cmake options...>
build_and_test() {
  local arbre=$1
  shift
  echo "== Construction de $arbre"
  cmake -S . -B "$arbre" -G Ninja "$@"
  cmake --build "$arbre" -j "$jobs"
  echo "== Tests de $arbre"
  local journal="$arbre/ctest-resultat.log"
  if ! (cd "$arbre" && ctest --output-on-failure) 2>&1 | tee "$journal"; then
    echec=1
  fi
  resumes+=("-- $arbre" "$(sed -n '/tests passed\|tests failed out of/,$p' "$journal")")
}

# Warnings are errors in our own trees (a user's build only shows them).
build_and_test build -DCORVANE_WERROR=ON
build_and_test build-asan -DCORVANE_WERROR=ON -DCORVANE_SANITIZE=ON -DCORVANE_BUILD_BENCH=OFF

echo
echo "== Résumé"
printf '%s\n' "${resumes[@]}"
if [ "$echec" -ne 0 ]; then
  echo "== ÉCHEC : des tests ont échoué" >&2
  exit 1
fi
echo "== Tous les tests passent"
