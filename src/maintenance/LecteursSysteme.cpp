#include "maintenance/ErreurSysteme.h"
#include "maintenance/Lecteurs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <map>

namespace Maintenance {

namespace {

// mountinfo writes blanks, tabs, newlines and backslashes of a path as \ooo.
QString desechapper(const QByteArray &texte)
{
    QByteArray octets;
    octets.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char c = texte.at(i);
        if (c == '\\' && i + 3 < texte.size()) {
            const QByteArray chiffres = texte.mid(i + 1, 3);
            const bool octal = std::all_of(chiffres.begin(), chiffres.end(),
                                     [](char d) { return d >= '0' && d <= '7'; });
            if (octal) {
                octets.append(char(chiffres.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        octets.append(c);
    }
    return QFile::decodeName(octets);
}

QByteArray lireFichier(const QString &chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().trimmed();
}

bool jamaisAmovible(const QString &disque)
{
    static const char *const prefixes[] = {"loop", "dm-", "sr", "ram", "zram", "md", "nbd"};
    return std::any_of(std::begin(prefixes), std::end(prefixes),
                       [&](const char *p) { return disque.startsWith(QLatin1String(p)); });
}

} // namespace

LecteursSysteme::LecteursSysteme(QString racineProc, QString racineSys)
    : m_proc(std::move(racineProc)), m_sys(std::move(racineSys))
{
}

std::vector<Lecteur> LecteursSysteme::lecteurs()
{
    const QString cheminMontages = m_proc + QStringLiteral("/self/mountinfo");
    QFile fichier(cheminMontages);
    if (!fichier.open(QIODevice::ReadOnly))
        throw RuntimeError(Erreurs::AccesChemin,
                           QStringLiteral("Liste des lecteurs illisible (") + guillemets(cheminMontages)
                               + QLatin1Char(')'));
    const QList<QByteArray> lignes = fichier.readAll().split('\n');

    // A later mount on the same folder hides the earlier one.
    std::map<QString, Lecteur> parRacine;
    for (const QByteArray &ligne : lignes) {
        const QList<QByteArray> champs = ligne.split(' ');
        // id, parent, major:minor, root, mount point, options, ... "-", type, source, options
        if (champs.size() < 5)
            continue;
        const QString racine = desechapper(champs.at(4));
        parRacine.erase(racine);
        // A bind mount of a sub-folder does not show the medium's root.
        if (champs.at(3) != "/")
            continue;
        const QString peripherique = QFileInfo(m_sys + QStringLiteral("/dev/block/")
                                               + QString::fromLatin1(champs.at(2)))
                                         .canonicalFilePath();
        if (peripherique.isEmpty())
            continue;   // not a block device (proc, tmpfs, network file systems...)
        QString disque = QFileInfo(peripherique).fileName();
        if (QFileInfo::exists(peripherique + QStringLiteral("/partition")))
            disque = QFileInfo(QFileInfo(peripherique).path()).fileName();

        Lecteur l;
        l.racine = racine;
        l.disquette = disque.startsWith(QLatin1String("fd"));
        l.amovible = !jamaisAmovible(disque)
                     && lireFichier(m_sys + QStringLiteral("/block/") + disque
                                    + QStringLiteral("/removable"))
                            == "1";
        parRacine[racine] = l;
    }

    std::vector<Lecteur> resultat;
    for (auto &[racine, l] : parRacine)
        resultat.push_back(l);
    return resultat;
}

} // namespace Maintenance
