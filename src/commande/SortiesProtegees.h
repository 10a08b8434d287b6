#pragma once

#include <QString>

// What the command line writes (a PDF, a converted database) never lands on a
// file of the kiosk folder that Corvane manages: the database that velmara.ini
// names, MAINTEN.MDB, the compaction's NEWK7.MDB, OLDK7.BAK and OLDK7.TMP, the
// key copy's files (CLEUSB.*, OLDCLE.*), velmara.ini itself, and the SQLite
// journals beside the two databases. Names are matched case-blind, folders by their real path
// (links and ".." followed), so that no spelling of the path reaches one of
// those files.

// The French refusal, or "" when `cible` is none of those files.
QString RefusFichierDuKiosque(const QString &cible);

// The checks of a --pdf target before the report runs: its folder exists and
// may be written, the name is no folder and no file of the kiosk. The French
// refusal naming what is wrong, or "".
QString RefusFichierPdf(const QString &fichier);
