// corvane-demo: writes a realistic kiosk folder (configuration, sales
// database, empty error log) for trying Corvane, its tests and benchmarks.

#include "DossierDemo.h"
#include "Erreur.h"
#include "Generateur.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <charconv>
#include <cstdio>
#include <optional>

#ifndef CORVANE_SCHEMA
#define CORVANE_SCHEMA ""
#endif
#ifndef CORVANE_SCHEMA_MAINTENANCE
#define CORVANE_SCHEMA_MAINTENANCE ""
#endif

namespace {

enum CodeSortie { Reussite = 0, Echec = 1, Utilisation = 2 };

void ecrire(std::FILE *flux, const QString &texte)
{
    std::fputs(texte.toUtf8().constData(), flux);
    std::fputc('\n', flux);
}

QString aide()
{
    return QStringLiteral(
        "Utilisation : corvane-demo <dossier> [options]\n"
        "\n"
        "Crée dans <dossier> (créé au besoin) un dossier de borne de démonstration pour Corvane :\n"
        "  velmara.ini     la configuration (section « Base de donnée », Nom=dacorvane)\n"
        "  dacorvane.mdb   la base des ventes : ventes, télécollectes, paramètres\n"
        "  MAINTEN.MDB     le journal des erreurs, vide\n"
        "Les ventes s'étalent sur les mois qui précèdent le 30/11/2026 ; une même graine\n"
        "donne toujours le même dossier.\n"
        "\n"
        "Options :\n"
        "  --ventes N                     nombre de ventes (5000 par défaut ; 0 : aucune vente)\n"
        "  --graine N                     graine du tirage (1 par défaut)\n"
        "  --remplacer                    remplace les fichiers déjà présents dans le dossier\n"
        "  --schema FICHIER               schéma de la base des ventes (corvane.sql)\n"
        "  --schema-maintenance FICHIER   schéma du journal des erreurs (maintenance.sql)\n"
        "  -h, --help                     affiche cette aide\n"
        "\n"
        "Code de sortie : 0 réussite, 1 échec, 2 ligne de commande invalide.");
}

template<typename Entier>
std::optional<Entier> lireEntier(const QString &texte)
{
    const QByteArray octets = texte.toLatin1();
    Entier valeur{};
    const auto [fin, erreur] = std::from_chars(octets.constData(), octets.constData() + octets.size(), valeur);
    if (octets.isEmpty() || erreur != std::errc() || fin != octets.constData() + octets.size())
        return std::nullopt;
    return valeur;
}

// The schema named on the command line, else the one of the source tree the
// tool was built from, else one installed beside the program.
QString trouverSchema(const QString &choisi, const char *compile, const QString &nom, const char *option)
{
    if (!choisi.isEmpty()) {
        if (!QFileInfo(choisi).isFile())
            throw ErreurDemo{QStringLiteral("Schéma introuvable : %1").arg(choisi)};
        return choisi;
    }
    const QString dossierProgramme = QCoreApplication::applicationDirPath();
    for (const QString &candidat : {QString::fromUtf8(compile), dossierProgramme + QLatin1Char('/') + nom,
                                    dossierProgramme + QStringLiteral("/../share/corvane/") + nom}) {
        if (!candidat.isEmpty() && QFileInfo(candidat).isFile())
            return candidat;
    }
    throw ErreurDemo{QStringLiteral("Schéma %1 introuvable : indiquez-le avec %2 <fichier>.")
                         .arg(nom, QString::fromLatin1(option))};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);

    OptionsDemo options;
    bool dossierDonne = false;
    try {
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            const QString &argument = arguments[i];
            auto valeur = [&]() -> QString {
                if (i + 1 >= arguments.size())
                    throw ErreurDemo{QStringLiteral("L'option %1 attend une valeur.").arg(argument)};
                return arguments[++i];
            };
            if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
                ecrire(stdout, aide());
                return Reussite;
            } else if (argument == QLatin1String("--ventes")) {
                const QString texte = valeur();
                const auto n = lireEntier<std::int64_t>(texte);
                if (!n || *n < 0 || *n > VentesMax)
                    throw ErreurDemo{QStringLiteral("Nombre de ventes invalide : « %1 » (un entier de 0 à %2).")
                                         .arg(texte).arg(VentesMax)};
                options.ventes = *n;
            } else if (argument == QLatin1String("--graine")) {
                const QString texte = valeur();
                const auto n = lireEntier<std::uint64_t>(texte);
                if (!n)
                    throw ErreurDemo{QStringLiteral("Graine invalide : « %1 » (un entier positif).").arg(texte)};
                options.graine = *n;
            } else if (argument == QLatin1String("--remplacer")) {
                options.remplacer = true;
            } else if (argument == QLatin1String("--schema")) {
                options.schema = valeur();
            } else if (argument == QLatin1String("--schema-maintenance")) {
                options.schemaMaintenance = valeur();
            } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
                throw ErreurDemo{QStringLiteral("Option inconnue : %1").arg(argument)};
            } else if (dossierDonne) {
                throw ErreurDemo{QStringLiteral("Un seul dossier est attendu (reçu aussi « %1 »).").arg(argument)};
            } else {
                options.dossier = argument;
                dossierDonne = true;
            }
        }
        if (!dossierDonne || options.dossier.isEmpty())
            throw ErreurDemo{QStringLiteral("Indiquez le dossier à créer.")};
    } catch (const ErreurDemo &e) {
        ecrire(stderr, QStringLiteral("corvane-demo : %1\nAide : corvane-demo --help").arg(e.message));
        return Utilisation;
    }

    try {
        options.schema = trouverSchema(options.schema, CORVANE_SCHEMA, QStringLiteral("corvane.sql"), "--schema");
        options.schemaMaintenance = trouverSchema(options.schemaMaintenance, CORVANE_SCHEMA_MAINTENANCE,
                                                  QStringLiteral("maintenance.sql"), "--schema-maintenance");
        const BilanDemo bilan = creerDossierDemo(options);
        ecrire(stdout, QStringLiteral("Dossier de démonstration créé : %1 (%2 ventes, %3 télécollectes)")
                           .arg(QFileInfo(options.dossier).absoluteFilePath())
                           .arg(bilan.ventes)
                           .arg(bilan.telecollectes));
        return Reussite;
    } catch (const ErreurDemo &e) {
        ecrire(stderr, QStringLiteral("corvane-demo : %1").arg(e.message));
        return Echec;
    } catch (const std::bad_alloc &) {
        ecrire(stderr, QStringLiteral("corvane-demo : mémoire insuffisante."));
        return Echec;
    }
}
