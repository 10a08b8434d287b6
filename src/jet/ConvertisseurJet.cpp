#include "jet/ConvertisseurJet.h"

#include "database/Surveillance.h"
#include "jet/EnteteJet.h"
#include "jet/FichiersDurables.h"
#include "jet/MessagesConversion.h"
#include "jet/ProcessusLimite.h"
#include "shared/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <csignal>
#include <optional>

namespace Jet {

namespace {

QString g_programme;

QString guillemets(const QString &texte) { return QStringLiteral("« ") + texte + QStringLiteral(" »"); }
std::string local(const QString &chemin) { return QFile::encodeName(chemin).toStdString(); }
QString texte(const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// A new name beside the destination, for the converter to create.
QString nomTemporaire(const QString &destination)
{
    for (;;) {
        const QString nom = destination + QStringLiteral(".conversion-")
                            + QString::number(QRandomGenerator::global()->generate64(), 36);
        if (!Jet::existe(local(nom)))
            return nom;
    }
}

QString raisonFin(const Jet::FinProcessus &fin, const LimitesConversion &limites)
{
    using G = Jet::FinProcessus::Genre;
    switch (fin.genre) {
    case G::Delai:
        return (limites.delaiMillisecondes % 1000
                    ? QStringLiteral("délai de %1 ms dépassé").arg(limites.delaiMillisecondes)
                    : QStringLiteral("délai de %1 s dépassé").arg(limites.delaiMillisecondes / 1000))
               + QStringLiteral(", le convertisseur a été arrêté");
    case G::Lancement:
        return QStringLiteral("le convertisseur n'a pas pu être lancé");
    case G::Arret:
        return QStringLiteral("le programme est arrêté, la conversion avec lui");
    case G::Signal:
        if (fin.code == SIGXCPU || fin.code == SIGKILL)
            return QStringLiteral("temps de calcul dépassé (%1 s), le convertisseur a été arrêté")
                .arg(limites.secondesProcesseur);
        return QStringLiteral("le lecteur de fichiers Jet s'est arrêté brutalement (signal %1) : "
                              "fichier endommagé ou mémoire insuffisante")
            .arg(fin.code);
    case G::Sortie:
        break;
    }
    return QStringLiteral("le convertisseur a échoué (code de sortie %1)").arg(fin.code);
}

bool estBaseSqlite(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3", 16);
}

void supprimer(const QString &chemin)
{
    QFile::remove(chemin);
    QFile::remove(chemin + QStringLiteral("-journal"));
}

// Refuses a missing source, an existing destination and a missing converter; the converter's path.
QString verifierConversion(const QString &source, const QString &destination, const QString &nomSource)
{
    if (!QFileInfo(source).isFile())
        throw RuntimeError(Erreurs::FichierIntrouvable, QStringLiteral("Fichier introuvable : ") + guillemets(source));
    if (Jet::existe(local(destination)))
        throw RuntimeError(FichierExistant, QStringLiteral("Le fichier ") + guillemets(destination)
                                                + QStringLiteral(" existe déjà : la base Jet ") + guillemets(nomSource)
                                                + QStringLiteral(" n'a pas été convertie"));
    const QString programme = ProgrammeConversion();
    const QFileInfo infoProgramme(programme);
    if (!infoProgramme.isFile() || !infoProgramme.isExecutable())
        throw RuntimeError(Erreurs::FichierIntrouvable,
                           QStringLiteral("Le convertisseur de bases Jet ") + guillemets(programme)
                               + QStringLiteral(" est introuvable : la base ") + guillemets(nomSource)
                               + QStringLiteral(" n'a pas été convertie"));
    return programme;
}

// What the converter's lines (one tab-separated record each) said so far.
class SuiviConversion
{
public:
    SuiviConversion(const std::function<void(const QString &)> &progression,
                    const std::function<void(double)> &avancement)
        : m_progression(progression), m_avancement(avancement)
    {
    }

    ResultatConversion r;
    bool resume = false;
    std::optional<QString> erreur;

    void ligne(const std::string &l)
    {
        const QStringList champs = texte(l).split(QLatin1Char('\t'));
        const QString &genre = champs.front();
        if (genre == QLatin1String("DEBUT") && champs.size() == 3) {
            m_annoncees = champs[2].toLongLong();
            avancer(0);
        } else if (genre == QLatin1String("LIGNES") && champs.size() == 2) {
            avancer(champs[1].toLongLong());
        } else if (genre == QLatin1String("TABLE") && champs.size() == 3) {
            ++r.tables;
            r.lignes += champs[2].toLongLong();
            avancer(r.lignes);
            if (m_progression)
                m_progression(texte(Jet::ligneTable(champs[1].toStdString(), champs[2].toULongLong())));
        } else if (genre == QLatin1String("AVERTISSEMENT") && champs.size() == 2) {
            r.avertissements << champs[1];
        } else if (genre == QLatin1String("RESUME") && champs.size() == 5) {
            resume = true;
            r.tables = champs[1].toInt();
            r.lignes = champs[2].toLongLong();
            r.requetesConverties = champs[3].toInt();
            r.requetesIgnorees = champs[4].toInt();
        } else if (genre == QLatin1String("ERREUR") && champs.size() == 2) {
            erreur = champs[1];
        }
    }

    // The conversion is complete: the progress bar full, then the summary line.
    void terminer()
    {
        if (m_avancement && m_dernier < 1)
            m_avancement(1.0);
        // Only now: no success line may come before a failure.
        if (m_progression)
            m_progression(texte(Jet::ligneResume(r.tables, r.lignes, r.requetesConverties, r.requetesIgnorees)));
    }

private:
    const std::function<void(const QString &)> &m_progression;
    const std::function<void(double)> &m_avancement;
    qint64 m_annoncees = 0;
    double m_dernier = -1;

    void avancer(qint64 faites)
    {
        const double f = m_annoncees > 0 ? qBound(0.0, double(faites) / double(m_annoncees), 1.0) : 0.0;
        if (m_avancement && f - m_dernier >= 0.001) {
            m_dernier = f;
            m_avancement(f);
        }
    }
};

Jet::FinProcessus executerConvertisseur(const QString &programme, const QString &source, const QString &temporaire,
                                        const LimitesConversion &limites, SuiviConversion &suivi)
{
    Jet::Limites l;
    l.memoireOctets = static_cast<std::uint64_t>(limites.memoireOctets);
    l.secondesProcesseur = limites.secondesProcesseur;
    l.delaiMillisecondes = limites.delaiMillisecondes;
    l.arreter = [] { return Surveillance::interrompu(); };
    return Jet::executerLimite(local(programme), {"--machine", "--sans-renommer", local(source), local(temporaire)},
                               l, [&suivi](const std::string &ligne) { suivi.ligne(ligne); });
}

} // namespace

bool EstBaseJet(const QString &chemin)
{
    return Jet::versionFichierJet(local(chemin).c_str()) != Jet::VersionJet::Aucune;
}

QString ProgrammeConversion()
{
    if (!g_programme.isEmpty())
        return g_programme;
    const QString dossier = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
#ifdef CORVANE_JET_RELATIF
    return TrouverProgrammeConversion(dossier, QStringLiteral(CORVANE_JET_RELATIF));
#else
    return TrouverProgrammeConversion(dossier, {});
#endif
}

QString TrouverProgrammeConversion(const QString &dossierExecutable, const QString &relatifInstalle)
{
    const auto executable = [](const QString &chemin) {
        const QFileInfo info(chemin);
        return info.isFile() && info.isExecutable();
    };
    const QString nom = QStringLiteral("corvane-jet");
    const QString voisin = (dossierExecutable.isEmpty() ? QString() : dossierExecutable + QLatin1Char('/')) + nom;
    if (relatifInstalle.isEmpty() || dossierExecutable.isEmpty() || executable(voisin))
        return voisin;
    const QString installe = QDir::cleanPath(dossierExecutable + QLatin1Char('/') + relatifInstalle + QLatin1Char('/') + nom);
    return executable(installe) ? installe : voisin;
}

void definirProgrammeConversion(const QString &chemin) { g_programme = chemin; }

ResultatConversion ConvertirBaseJet(const QString &source, const QString &destination,
                                    const std::function<void(const QString &)> &progression,
                                    const LimitesConversion &limites, const std::function<void(double)> &avancement)
{
    const QString nomSource = QFileInfo(source).fileName();
    const QString programme = verifierConversion(source, destination, nomSource);
    const QString temporaire = nomTemporaire(destination);
    SuiviConversion suivi(progression, avancement);
    const Jet::FinProcessus fin = executerConvertisseur(programme, source, temporaire, limites, suivi);

    QString raison;
    const bool complete = fin.genre == Jet::FinProcessus::Genre::Sortie && fin.code == 0 && suivi.resume;
    if (complete && !estBaseSqlite(temporaire)) {
        raison = QStringLiteral("le convertisseur n'a pas produit de base de données");
    } else if (complete) {
        try {
            Jet::nommerSansRemplacer(local(temporaire), local(destination));
            suivi.terminer();
            return suivi.r;
        } catch (const Jet::ErreurFichier &e) {
            raison = texte(e.what());
        }
    } else if (suivi.erreur) {
        raison = *suivi.erreur;
    } else {
        raison = raisonFin(fin, limites);
    }
    supprimer(temporaire);
    throw RuntimeError(ConversionImpossible, QStringLiteral("La base Jet ") + guillemets(nomSource)
                                                 + QStringLiteral(" n'a pas pu être convertie : ") + raison);
}

} // namespace Jet
