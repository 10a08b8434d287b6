#include "DossierDemo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

bool ecrireDossierDemo(const QString &dossier, int ventes, QTextStream &sortie)
{
    const QString demo = QCoreApplication::applicationDirPath() + QStringLiteral("/corvane-demo");
    QElapsedTimer t;
    t.start();
    const int code = QProcess::execute(demo, {dossier, QStringLiteral("--ventes"), QString::number(ventes)});
    if (code != 0) {
        QTextStream(stderr) << "corvane-demo a échoué (" << code << ")" << Qt::endl;
        return false;
    }
    sortie << "Dossier de démonstration de " << ventes << " ventes écrit en " << t.elapsed() << " ms" << Qt::endl;
    return true;
}
