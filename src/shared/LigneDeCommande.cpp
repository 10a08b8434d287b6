#include "shared/LigneDeCommande.h"

#include "shared/Plateforme.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>

namespace {
const QCommandLineOption optionDossier(QStringList{QStringLiteral("dossier")},
                                       QStringLiteral("Dossier de l'application (velmara.ini, base de données, MAINTEN.MDB)."),
                                       QStringLiteral("dossier"));
const QCommandLineOption optionAide(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("aide")},
                                    QStringLiteral("Affiche cette aide."));
} // namespace

OptionsLigneDeCommande AnalyserLigneDeCommande(const QStringList &arguments)
{
    OptionsLigneDeCommande options;
    QCommandLineParser analyseur;
    analyseur.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    analyseur.addOption(optionDossier);
    analyseur.addOption(optionAide);
    if (!analyseur.parse(arguments)) {
        // The parser's own texts are English: say it in French.
        const QStringList inconnues = analyseur.unknownOptionNames();
        options.erreur = inconnues.isEmpty()
            ? QStringLiteral("L'option --dossier demande un dossier.")
            : QStringLiteral("Option inconnue : %1%2")
                  .arg(inconnues.constFirst().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"),
                       inconnues.constFirst());
        return options;
    }
    if (!analyseur.positionalArguments().isEmpty()) {
        options.erreur = QStringLiteral("Argument inattendu : %1").arg(analyseur.positionalArguments().constFirst());
        return options;
    }
    options.aide = analyseur.isSet(optionAide);
    if (analyseur.isSet(optionDossier)) {
        options.dossier = analyseur.value(optionDossier);
        if (options.dossier.trimmed().isEmpty())
            options.erreur = QStringLiteral("L'option --dossier demande un dossier.");
        else if (!QDir(options.dossier).exists())
            options.erreur = QStringLiteral("Dossier introuvable : %1").arg(options.dossier);
    }
    return options;
}

void AppliquerLigneDeCommande(const OptionsLigneDeCommande &options)
{
    if (!options.dossier.isEmpty())
        Plateforme::definirCheminApplication(QDir(options.dossier).absolutePath());
}

QString TexteAide()
{
    return QStringLiteral(
        "Utilisation : corvane [options]\n"
        "\n"
        "Ouvre la fenêtre de gestion de l'automate sur la base de données nommée\n"
        "dans velmara.ini (section \"Base de donnée\", clé \"Nom\"; DACORVANE.mdb\n"
        "par défaut), dans le dossier de l'application.\n"
        "\n"
        "Options :\n"
        "  --dossier <dossier>  Dossier de l'application, à la place de celui du\n"
        "                       programme.\n"
        "  -h, --help           Affiche cette aide.\n"
        "\n"
        "Code de sortie :\n"
        "  0  fin normale (bouton \"Fin\", fermeture de la fenêtre, SIGTERM, SIGINT)\n"
        "  1  erreur d'exécution non traitée (par exemple base de données introuvable)\n"
        "  2  ligne de commande incorrecte\n");
}
