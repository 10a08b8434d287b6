#!/usr/bin/env bash
# Fuzzes for a bounded time the conversion of Jet (.mdb) files and the
# program's own readers of outside text (velmara.ini, Find criteria and Sort
# texts, dates, the command line): builds the libFuzzer targets with clang
# (tree build-fuzz), runs each for CORVANE_FUZZ_SECONDES seconds (default 60),
# and fails when one finds a fault in Corvane's own code. Found inputs are
# left in build-fuzz/artefacts; keep the faulty ones under fuzz/regressions/
# (see its README).
#
# The reading target runs libmdb in its own process, where the library's own
# faults on damaged files (endless loops, crashes) are known and expected:
# Corvane keeps them out of its process. They are reported, and replayed
# through the converter process to check that they end cleanly there.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

secondes=${CORVANE_FUZZ_SECONDES:-60}
jobs=${CORVANE_JOBS:-2}
arbre=build-fuzz
artefacts=$arbre/artefacts
donnees=${CORVANE_DONNEES_JET:-}
if [ -z "$donnees" ]; then
  for d in ../shared/testdata/jet ../../shared/testdata/jet; do
    if [ -f "$d/testV2000.mdb" ]; then donnees=$d; break; fi
  done
fi

echo "== Construction des cibles de fuzzing ($arbre, clang)"
cmake -S . -B "$arbre" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVANE_FUZZ=ON -DCORVANE_WERROR=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$arbre" -j "$jobs" --target fuzz_expression fuzz_requete fuzz_valeurs fuzz_lecture corvane-jet \
  fuzz_configuration fuzz_recordset fuzz_dates fuzz_ligne_de_commande
mkdir -p "$artefacts"
echec=0

# Translation, decoding and the program's readers: any fault is Corvane's own.
for cible in expression requete valeurs configuration recordset dates ligne_de_commande; do
  corpus=$arbre/corpus/$cible
  mkdir -p "$corpus"
  graines=("fuzz/corpus/$cible")
  [ -d "fuzz/regressions/$cible" ] && graines+=("fuzz/regressions/$cible")
  echo "== fuzz_$cible : $secondes s"
  if ! "$arbre/bin/fuzz_$cible" -max_total_time="$secondes" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$artefacts/$cible-" "$corpus" "${graines[@]}" \
      2>"$arbre/fuzz_$cible.log"; then
    echo "!! fuzz_$cible a trouvé une faute : $(ls "$artefacts"/"$cible"-* 2>/dev/null | tr '\n' ' ')" >&2
    grep -B4 -A30 'ERROR\|SUMMARY\|abort' "$arbre/fuzz_$cible.log" | head -70 >&2 || true
    echec=1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$arbre/fuzz_$cible.log" || true
done

# Reading whole files, seeded with the real test files of at most 300 KB.
if [ -n "$donnees" ]; then
  corpus=$arbre/corpus/lecture
  mkdir -p "$corpus"
  find "$donnees" -name '*.mdb' -size -300k -exec cp -n {} "$corpus/" \;
  echo "== fuzz_lecture : $secondes s (fautes de libmdb ignorées pendant la course, triées ensuite)"
  "$arbre/bin/fuzz_lecture" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$secondes" -timeout=5 -rss_limit_mb=2048 -max_len=300000 -close_fd_mask=2 \
    -artifact_prefix="$artefacts/lecture-" "$corpus" >"$arbre/fuzz_lecture.log" 2>&1 || true
  tail -2 "$arbre/fuzz_lecture.log"
  for a in "$artefacts"/lecture-*; do
    [ -e "$a" ] || continue
    # Where did it fail? A frame of Corvane's code before any of libmdb's means ours.
    rapport=$(timeout 60 "$arbre/bin/fuzz_lecture" -timeout=5 -rss_limit_mb=2048 "$a" 2>&1 || true)
    # A slow input may not time out again on its own: then there is no stack
    # at all, and the grep finding nothing must not end the script.
    premier=$( (echo "$rapport" | grep -E '^ +#[0-9]+ ' | grep -E 'libmdb|libglib|/src/jet/|/fuzz/' | head -1) || true)
    if [[ "$premier" =~ /src/jet/|/fuzz/ ]]; then
      echo "!! faute dans le code de Corvane : $a" >&2
      echo "$rapport" | grep -A25 'ERROR' | head -40 >&2
      echec=1
    else
      # libmdb's own: the converter process must end it cleanly.
      sortie=$(timeout 30 "$arbre/bin/corvane-jet" --machine "$a" "$arbre/essai-$$.db" 2>/dev/null) && code=0 || code=$?
      rm -f "$arbre/essai-$$.db"*
      if [ -n "$premier" ]; then genre="faute de libmdb"; else genre="non reproduite seule"; fi
      echo "-- $genre : $(basename "$a") (convertisseur : code $code)"
    fi
  done
else
  echo "== fuzz_lecture sauté : fichiers Jet de test introuvables (CORVANE_DONNEES_JET)"
fi

if [ "$echec" -ne 0 ]; then
  echo "== ÉCHEC du fuzzing" >&2
  exit 1
fi
echo "== Fuzzing terminé sans faute de Corvane"
