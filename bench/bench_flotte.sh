#!/usr/bin/env bash
# Fleet figures, on a throw-away PostgreSQL cluster of this machine:
#  1. importing a 1,000,000-sale kiosk (corvane --flotte --importer) against
#     psql's \copy of the same rows from CSV files into the same partitioned,
#     indexed tables (the floor; the CSV files are written beforehand);
#  2. the three reports over 10 kiosks (corvane --flotte --rapport) against
#     psql running the same query, best of 3, each a whole process;
#  3. report time over 1, 10 and 20 kiosks.
# Kiosks 2 to 20 are copies of the imported one made on the server (sales
# only, receipts left out: the reports never read them).
#   bench/bench_flotte.sh [build folder] [work folder]
set -euo pipefail
build=$(realpath "${1:-build}")
travail=${2:-/tmp/corvane-bench-flotte}
pgbin=/usr/lib/postgresql/15/bin
export LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8
mkdir -p "$travail"
[ -f "$travail/k1m/dacorvane.mdb" ] || "$build/bin/corvane-demo" "$travail/k1m" --ventes 1000000 >/dev/null
[ -f "$travail/vide/dacorvane.mdb" ] || "$build/bin/corvane-demo" "$travail/vide" --ventes 0 >/dev/null

# initdb refuses root: the package's system user runs the server.
if [ "$(id -u)" -eq 0 ]; then pg=(runuser -u postgres --); chown postgres "$travail"; else pg=(); fi
"${pg[@]}" rm -rf "$travail/serveur"
"${pg[@]}" "$pgbin/initdb" -D "$travail/serveur" -A trust -U postgres >/dev/null
"${pg[@]}" "$pgbin/pg_ctl" -D "$travail/serveur" -o "-k $travail -c listen_addresses='' -p 5433" \
  -l "$travail/journal" -w start >/dev/null
trap '"${pg[@]}" "$pgbin/pg_ctl" -D "$travail/serveur" -m fast -w stop >/dev/null' EXIT
c="host=$travail port=5433 user=postgres"
requete() { psql -XAtq -v ON_ERROR_STOP=1 "$c dbname=$1" -c "$2"; }

# Seconds taken by a command (its output dropped).
chrono() {
  local debut=$EPOCHREALTIME
  "$@" >/dev/null
  echo "$EPOCHREALTIME - $debut" | awk '{ printf "%.2f", $1 - $3 }'
}
meilleur() {   # best of 3
  local m=999999 t
  for _ in 1 2 3; do t=$(chrono "$@"); m=$(awk -v a="$m" -v b="$t" 'BEGIN { print (b < a) ? b : a }'); done
  echo "$m"
}

echo "== Import of a 1,000,000-sale kiosk ($(sqlite3 "$travail/k1m/dacorvane.mdb" 'SELECT count(*) FROM Telecollectes') uploads)"
for base in flotte plancher; do requete postgres "CREATE DATABASE $base"; done
t_import=$(chrono "$build/bin/corvane" --flotte "$c dbname=flotte" --importer "$travail/k1m" --borne B1)
# The floor: the same tables, empty, and CSV files of the same rows.
"$build/bin/corvane" --flotte "$c dbname=plancher" --importer "$travail/vide" --borne B1 >/dev/null
sqlite3 -csv "$travail/k1m/dacorvane.mdb" "SELECT 1, NoVente, LaDate, printf('%.4f', Total), TauxTVA, TypePaiement,
  NbJeton, Client, printf('%.4f', Paye), printf('%.4f', Rendu), Ticket FROM Ventes" >"$travail/ventes.csv"
sqlite3 -csv "$travail/k1m/dacorvane.mdb" "SELECT 1, NoTelecollecte, LaDate, Ticket, '\\x' || hex(sha3(Ticket, 256))
  FROM Telecollectes" >"$travail/telecollectes.csv"
t_copie=$(chrono psql -XAtq -v ON_ERROR_STOP=1 "$c dbname=plancher" \
  -c "\\copy corvane.ventes FROM '$travail/ventes.csv' CSV" \
  -c "\\copy corvane.telecollectes FROM '$travail/telecollectes.csv' CSV")
echo "corvane --importer: ${t_import} s; psql \\copy: ${t_copie} s; ratio $(awk -v a="$t_import" -v b="$t_copie" 'BEGIN { printf "%.2f", a / b }')"
requete postgres "DROP DATABASE plancher"

# The reports' queries as corvane sends them, the parameters written in.
HT="CASE WHEN tauxtva <> 0 THEN round(total::float8 / tauxtva * 10000)::bigint END"
VENTES="(SELECT ladate, typepaiement, total, $HT AS ht FROM corvane.ventes WHERE ladate > '1990-01-01 00:00:00'::timestamp AND ladate < '2026-12-31 23:59:59'::timestamp) v"
somme() { echo "count(*) FILTER (WHERE typepaiement = $1), sum(ht) FILTER (WHERE typepaiement = $1), bool_or(ht IS NULL) FILTER (WHERE typepaiement = $1)"; }
declare -A sql=(
  [total]="SELECT count(*), $(somme 2), $(somme 1), sum(total) * 10000, bool_or(total IS NULL) FROM $VENTES"
  [journalier]="SELECT date_trunc('day', ladate), $(somme 2) FROM $VENTES GROUP BY 1 ORDER BY 1"
  [mensuel]="SELECT date_trunc('month', ladate), $(somme 2) FROM $VENTES GROUP BY 1 ORDER BY 1"
)

ajouter_bornes() {   # kiosks B2..B$1 as copies of B1
  local n
  for ((n = $(requete flotte "SELECT count(*) FROM corvane.bornes") + 1; n <= $1; n++)); do
    "$build/bin/corvane" --flotte "$c dbname=flotte" --importer "$travail/vide" --borne "B$n" >/dev/null
    requete flotte "INSERT INTO corvane.ventes SELECT (SELECT id FROM corvane.bornes WHERE nom = 'B$n'),
      novente, ladate, total, tauxtva, typepaiement, nbjeton, client, paye, rendu, NULL FROM corvane.ventes_1"
  done
  requete flotte "VACUUM ANALYZE corvane.ventes"
}

for bornes in 1 10 20; do
  ajouter_bornes "$bornes"
  echo "== Reports over $bornes kiosk(s) of 1,000,000 sales (best of 3, whole process)"
  for r in total journalier mensuel; do
    t_c=$(meilleur "$build/bin/corvane" --flotte "$c dbname=flotte" --rapport "$r" --du 01/01/1990 --au 31/12/2026)
    t_p=$(meilleur psql -XAtq "$c dbname=flotte" -c "${sql[$r]}")
    echo "$r: corvane ${t_c} s; psql ${t_p} s; ratio $(awk -v a="$t_c" -v b="$t_p" 'BEGIN { printf "%.2f", a / b }')"
  done
done
echo "== Disk: $(du -sh "$travail/serveur" | cut -f1) for the cluster"
