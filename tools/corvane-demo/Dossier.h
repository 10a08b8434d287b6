#pragma once

#include <QByteArray>
#include <QString>

// The kiosk folder's files. Names are matched without regard to case, as the
// program opens them: an existing entry keeps its own spelling when replaced.
namespace Dossier {

// The name of the entry of `dossier` that matches `nom` case-blind, or "" when none does.
QString entreeExistante(const QString &dossier, const QString &nom);

// Makes the finished file `provisoire` durable and renames it onto `definitif`,
// then makes the rename durable (fsync of the file, rename, fsync of the folder).
void mettreEnPlace(const QString &provisoire, const QString &definitif);

// Writes `contenu` beside `definitif`, then puts it in place as above.
void ecrireFichier(const QString &definitif, const QByteArray &contenu);

// Removes a file left behind by an interrupted run (no error when absent).
void supprimer(const QString &chemin);

} // namespace Dossier
