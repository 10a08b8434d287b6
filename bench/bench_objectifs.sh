#!/bin/sh
# The journal's figures at several sizes, each beside its reference, in one run:
#   start-up (window shown after the compaction ends), peak memory of the start-up,
#   the journal's open against the sqlite3 shell running the same query,
#   the compaction against VACUUM INTO of the same file, the first sort on "Client",
#   the receipt read on a move, the search keystrokes and mode changes in the window.
#
#   bench/bench_objectifs.sh BINDIR DATADIR [--tailles 250000,1000000,2000000] [--tours N]
#
# DATADIR/vN is made once per size with corvane-demo and reused; the backups the
# compactions leave are removed. Prints figures, judges nothing.
set -eu
bin=$1
donnees=$2
shift 2
tailles=250000,1000000,2000000
tours=3
while [ $# -gt 0 ]; do
    case $1 in
    --tailles) tailles=$2; shift 2 ;;
    --tours) tours=$2; shift 2 ;;
    *) echo "option inconnue : $1" >&2; exit 2 ;;
    esac
done

for n in $(echo "$tailles" | tr ',' ' '); do
    dossier=$donnees/v$n
    [ -f "$dossier/dacorvane.mdb" ] || "$bin/corvane-demo" "$dossier" --ventes "$n" >/dev/null
    echo "=== $n ventes : $(du -m "$dossier/dacorvane.mdb" | cut -f1) Mio"
    echo "--- ouverture du journal (bench_recordset)"
    "$bin/bench_recordset" "$n" "$dossier/dacorvane.mdb" \
        | grep -E 'open|reference|receipt|setSort "Client"|peak'
    echo "--- compactage (bench_compactage, $tours tours)"
    "$bin/bench_compactage" "$dossier" --tours "$tours" | grep -E 'médianes'
    rm -f "$dossier/OLDK7.BAK" "$dossier/bench-vacuum.tmp"
    echo "--- démarrage (bench_demarrage, sous /usr/bin/time -v)"
    /usr/bin/time -v "$bin/bench_demarrage" --dossier "$dossier" --ventes "$n" 2>"$donnees/time-$n.txt" \
        | grep -E 'Form_Load|compactage|total|processeur|pic|Client'
    grep -E 'Maximum resident|Elapsed|User time|System time' "$donnees/time-$n.txt"
    rm -f "$dossier/OLDK7.BAK" "$donnees/time-$n.txt"
    echo "--- frappes, changements de mode, ticket sur un déplacement (bench_recherche)"
    "$bin/bench_recherche" --repetitions 5 "$dossier" | grep -E 'médiane|objectif'
    rm -f "$dossier/OLDK7.BAK"
done
