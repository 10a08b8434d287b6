#pragma once

#include "maintenance/Lecteurs.h"

#include <QString>
#include <QStringList>

// Sales databases for the maintenance tests, told apart by a marker (the
// ticket of card batch 1) and by whether they hold free pages (a compacted
// file holds none).
namespace BasesTest {

// `ventes` sales (NoVente 1..ventes) with receipts, then the last quarter
// deleted so that the file holds free pages. Every byte is known (no random
// receipts): a damage falls on the same structure at every run.
void creer(const QString &chemin, const QString &marqueur, int ventes = 2000);
// An empty error log (MAINTEN.MDB).
void creerMaintenance(const QString &chemin);
// The program's folder is `dossier`, its error log not yet looked for, and holds an empty one if `journal`.
void preparerApplication(const QString &dossier, bool journal = true);
void marquer(const QString &chemin, const QString &marqueur);
QString marqueur(const QString &chemin);
int nombreVentes(const QString &chemin);
// The number of sales creer() leaves.
inline int ventesRestantes(int ventes) { return ventes - ventes / 4; }

// "absent", "pas une base", "compactée" (marker `courante`, no free page),
// "originale" (marker `courante`, free pages), or the file's marker.
QString etat(const QString &chemin, const QString &courante = QStringLiteral("courante"));

bool existe(const QString &chemin);   // an entry of that exact name
quint64 inode(const QString &chemin);
int mode(const QString &chemin);      // the permission bits (a link: of the file it names; 0 when missing)

// The error log's records, "Contexte|Erreur", oldest first.
QStringList erreurs(const QString &journal);
// The files of a folder (hidden ones too), sorted by name.
QStringList fichiers(const QString &dossier);
QByteArray lire(const QString &chemin);   // "" when unreadable
// Writes a file, making its folder.
void ecrire(const QString &chemin, const QByteArray &octets);

// The machine's drives, as the test lists them.
struct LecteursFictifs : Maintenance::SourceLecteurs
{
    std::vector<Maintenance::Lecteur> liste;
    std::vector<Maintenance::Lecteur> lecteurs() override { return liste; }
};

} // namespace BasesTest
