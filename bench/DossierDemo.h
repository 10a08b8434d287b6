#pragma once

#include <QString>
#include <QTextStream>

// Writes a demo kiosk folder of `ventes` sales into `dossier` with the
// corvane-demo beside this program, telling how long it took. False (after a
// message on stderr) when corvane-demo failed.
bool ecrireDossierDemo(const QString &dossier, int ventes, QTextStream &sortie);
