#include "shared/LigneDeCommande.h"

#include "shared/Plateforme.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <algorithm>

namespace {
const QCommandLineOption optionDossier(QStringList{QStringLiteral("dossier")},
                                       QStringLiteral("Dossier de l'application (velmara.ini, base de données, MAINTEN.MDB)."),
                                       QStringLiteral("dossier"));
const QCommandLineOption optionRapport(QStringList{QStringLiteral("rapport")},
                                       QStringLiteral("Rapport à produire sans fenêtre : total, journalier ou mensuel."),
                                       QStringLiteral("rapport"));
const QCommandLineOption optionDu(QStringList{QStringLiteral("du")}, QStringLiteral("Date de début."),
                                  QStringLiteral("date"));
const QCommandLineOption optionAu(QStringList{QStringLiteral("au")}, QStringLiteral("Date de fin."),
                                  QStringLiteral("date"));
const QCommandLineOption optionImprimer(QStringList{QStringLiteral("imprimer")},
                                        QStringLiteral("Imprime le rapport sur l'imprimante par défaut."));
const QCommandLineOption optionPdf(QStringList{QStringLiteral("pdf")}, QStringLiteral("Imprime le rapport dans un fichier PDF."),
                                   QStringLiteral("fichier"));

// Report-mode options, and the option whose value is missing when the
// arguments end on it (the only place a value can be missing).
bool estOptionRapport(const QString &argument)
{
    if (!argument.startsWith(QLatin1Char('-')))
        return false;
    QString nom = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    nom = nom.section(QLatin1Char('='), 0, 0);
    for (const char *n : {"rapport", "du", "au", "imprimer", "pdf"})
        if (nom == QLatin1String(n))
            return true;
    return false;
}

QString optionSansValeur(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return QStringLiteral("--dossier");
    const QString dernier = arguments.constLast();
    for (const char *n : {"rapport", "du", "au", "pdf", "convertir"})
        if (dernier == QLatin1String("--") + QLatin1String(n) || dernier == QLatin1String("-") + QLatin1String(n))
            return QLatin1String("--") + QLatin1String(n);
    return QStringLiteral("--dossier");
}

// Checks the report options together; "" when they make sense.
QString verifierRapport(const OptionsLigneDeCommande &o)
{
    if (o.rapport.isEmpty())
        return QStringLiteral("Les options --du, --au, --imprimer et --pdf vont avec --rapport.");
    if (o.rapport != QLatin1String("total") && o.rapport != QLatin1String("journalier")
        && o.rapport != QLatin1String("mensuel"))
        return QStringLiteral("Rapport inconnu : %1 (total, journalier ou mensuel)").arg(o.rapport);
    if (o.du.trimmed().isEmpty())
        return QStringLiteral("L'option --rapport demande une date de début (--du).");
    if (o.au.trimmed().isEmpty())
        return QStringLiteral("L'option --rapport demande une date de fin (--au).");
    if (o.imprimer && !o.pdf.isEmpty())
        return QStringLiteral("Choisissez --imprimer ou --pdf, pas les deux.");
    return {};
}

const QCommandLineOption optionConvertir(QStringList{QStringLiteral("convertir")},
                                         QStringLiteral("Convertit une base Jet en une nouvelle base."),
                                         QStringLiteral("source.mdb"));

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
    for (const QCommandLineOption *o : {&optionRapport, &optionDu, &optionAu, &optionImprimer, &optionPdf})
        analyseur.addOption(*o);
    analyseur.addOption(optionConvertir);
    options.modeRapport = std::any_of(arguments.begin() + std::min<qsizetype>(1, arguments.size()), arguments.end(),
                                      estOptionRapport);
    if (!analyseur.parse(arguments)) {
        // The parser's own texts are English: say it in French.
        const QStringList inconnues = analyseur.unknownOptionNames();
        const QString sansValeur = optionSansValeur(arguments);
        options.erreur = !inconnues.isEmpty()
            ? QStringLiteral("Option inconnue : %1%2")
                  .arg(inconnues.constFirst().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"),
                       inconnues.constFirst())
            : sansValeur == QLatin1String("--dossier") ? QStringLiteral("L'option --dossier demande un dossier.")
                                                       : QStringLiteral("L'option %1 demande une valeur.").arg(sansValeur);
        return options;
    }
    // --convertir <source.mdb> <destination>: the destination is the one argument that is no option.
    QStringList positionnels = analyseur.positionalArguments();
    if (analyseur.isSet(optionConvertir)) {
        options.modeConversion = true;
        options.convertirSource = analyseur.value(optionConvertir);
        if (options.modeRapport) {
            options.erreur = QStringLiteral("L'option --convertir ne se combine pas avec --rapport.");
            return options;
        }
        if (!positionnels.isEmpty())
            options.convertirDestination = positionnels.takeFirst();
        // An empty name ("") is no file either.
        if ((options.convertirSource.trimmed().isEmpty() || options.convertirDestination.trimmed().isEmpty())
            && !analyseur.isSet(optionAide)) {
            options.erreur = QStringLiteral("L'option --convertir demande une base Jet et une destination.");
            return options;
        }
    }
    if (!positionnels.isEmpty()) {
        options.erreur = QStringLiteral("Argument inattendu : %1").arg(positionnels.constFirst());
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
    if (options.modeRapport && options.erreur.isEmpty()) {
        options.rapport = analyseur.value(optionRapport);
        options.du = analyseur.value(optionDu);
        options.au = analyseur.value(optionAu);
        options.imprimer = analyseur.isSet(optionImprimer);
        options.pdf = analyseur.value(optionPdf);
        if (analyseur.isSet(optionPdf) && options.pdf.trimmed().isEmpty())
            options.erreur = QStringLiteral("L'option --pdf demande un fichier.");
        else if (!options.aide)
            options.erreur = verifierRapport(options);
    }
    return options;
}

void AppliquerLigneDeCommande(const OptionsLigneDeCommande &options)
{
    if (!options.dossier.isEmpty())
        Plateforme::definirCheminApplication(QDir(options.dossier).absolutePath());
}

namespace {

// The help text, paragraph by paragraph.
const char *const ParagraphesAide[] = {
    "Utilisation : corvane [options]\n"
    "\n",
    "       corvane [--dossier <dossier>] --rapport total|journalier|mensuel\n"
    "               --du <date> --au <date> [--imprimer | --pdf <fichier>]\n"
    "       corvane --convertir <source.mdb> <destination>\n"
    "       corvane --flotte <connexion> --importer <dossier> --borne <nom>\n"
    "       corvane --flotte <connexion> --rapport total|journalier|mensuel\n"
    "               --du <date> --au <date> [--borne <nom>]\n"
    "\n",
    "Ouvre la fenêtre de gestion de l'automate sur la base de données nommée\n"
    "dans velmara.ini (section \"Base de donnée\", clé \"Nom\"; DACORVANE.mdb\n"
    "par défaut), dans le dossier de l'application.\n"
    "\n",
    "Avec --rapport, produit sans fenêtre le rapport des ventes de la période\n"
    "et en écrit les lignes sur la sortie standard (UTF-8, une par ligne) :\n"
    "ce sont les lignes que la fenêtre affiche pour la même période. La base\n"
    "est ouverte comme au démarrage, sans recherche sur clé USB et sans\n"
    "compactage. Les erreurs sont écrites sur la sortie d'erreur et, si\n"
    "MAINTEN.MDB existe, dans son journal. Une période sans vente n'écrit\n"
    "rien et n'imprime rien.\n"
    "\n",
    "Avec --convertir, convertit sans fenêtre une base Jet (Access 97 à 2003,\n"
    "par exemple celle d'une clé USB de l'automate) en une nouvelle base au\n"
    "format de Corvane : toutes les tables et leurs lignes, les clés et les\n"
    "index, les requêtes Sélection en vues. La destination ne doit pas\n"
    "exister ; elle n'apparaît qu'une fois la conversion complète. Une ligne\n"
    "par table et un résumé sont écrits sur la sortie standard, les requêtes\n"
    "non converties sur la sortie d'erreur.\n"
    "\n",
    "Avec --flotte, travaille sur la base PostgreSQL de la flotte (schéma\n"
    "corvane, créé au premier import) : --importer y ajoute les ventes et\n"
    "les télécollectes d'un dossier de borne, lu sans rien y changer, en une\n"
    "transaction ; un second import n'ajoute que ce qui est nouveau, et une\n"
    "vente déjà connue avec d'autres valeurs est signalée et laissée telle\n"
    "quelle. --rapport écrit les lignes du rapport sur toutes les bornes, ou\n"
    "sur une seule avec --borne.\n"
    "\n",
    "Options :\n"
    "  --dossier <dossier>  Dossier de l'application, à la place de celui du\n"
    "                       programme ($XDG_DATA_HOME/Corvane, soit\n"
    "                       ~/.local/share/Corvane, pour le programme installé).\n"
    "  --rapport <rapport>  total (\"Total des ventes\"), journalier (\"Ventes\n"
    "                       Journalières\") ou mensuel (\"Ventes Mensuel\").\n"
    "  --du <date>          Premier jour de la période, au format de date\n"
    "                       court du système (par exemple 01/12/2026).\n"
    "  --au <date>          Dernier jour de la période, au même format.\n"
    "  --imprimer           Imprime aussi le rapport sur l'imprimante par\n"
    "                       défaut, comme le bouton \"Imprimer\".\n"
    "  --pdf <fichier>      Imprime aussi le rapport dans ce fichier PDF, écrit\n"
    "                       à côté et renommé une fois complet.\n"
    "  --convertir <source.mdb> <destination>\n"
    "                       Convertit la base Jet source en la nouvelle base\n"
    "                       destination.\n"
    "  --flotte <connexion> Base de la flotte : chaîne de connexion libpq\n"
    "                       (\"host=... dbname=...\"), URI postgresql://, ou\n"
    "                       nom de service (~/.pg_service.conf) ; le mot de\n"
    "                       passe vient de ~/.pgpass. Vide : PGSERVICE, PGHOST...\n"
    "  --importer <dossier> Importe le dossier de cette borne dans la flotte.\n"
    "  --borne <nom>        Nom de la borne dans la flotte.\n"
    "  -h, --help           Affiche cette aide.\n"
    "\n",
    "Code de sortie de la fenêtre :\n"
    "  0    fin normale (bouton \"Fin\", fermeture de la fenêtre)\n"
    "  1    erreur d'exécution non traitée (par exemple base de données introuvable)\n"
    "  2    ligne de commande incorrecte\n"
    "  143  arrêt par SIGTERM, 130 par SIGINT (128 + le signal), à tout moment\n"
    "\n",
    "Code de sortie avec --rapport :\n"
    "  0  rapport écrit (et imprimé si demandé), ou période sans vente\n"
    "  1  base de données impossible à ouvrir, ou encore au format Jet\n"
    "  2  ligne de commande incorrecte (option, rapport, date illisible,\n"
    "     période inversée, dossier du PDF absent ou interdit en écriture)\n"
    "     ou fichier de sortie refusé\n"
    "  3  le rapport a échoué\n"
    "  4  l'impression a échoué\n"
    "  5  la sortie standard n'a pas pu être écrite\n"
    "\n",
    "Code de sortie avec --flotte :\n"
    "  0  import fait, ou rapport écrit (ou période sans vente)\n"
    "  1  serveur de la flotte injoignable, connexion refusée ou perdue\n"
    "     (rien n'est importé)\n"
    "  2  ligne de commande incorrecte\n"
    "  3  l'import ou le rapport a échoué (rien n'est importé)\n"
    "  4  import fait, sauf des ventes déjà connues avec d'autres valeurs,\n"
    "     listées sur la sortie d'erreur et laissées telles quelles\n"
    "  5  la sortie standard n'a pas pu être écrite\n"
    "\n",
    "Code de sortie avec --convertir :\n"
    "  0  base convertie\n"
    "  1  la conversion a échoué (rien n'est écrit à la destination)\n"
    "  2  ligne de commande incorrecte, ou destination refusée\n"
    "\n",
    "Un fichier PDF ou une destination de --convertir n'est jamais écrit sur\n"
    "un fichier du dossier de l'application que Corvane gère : la base de\n"
    "données, MAINTEN.MDB, NEWK7.MDB, OLDK7.BAK, velmara.ini (quelle que soit\n"
    "la casse, même par un lien symbolique ou par « .. »).\n",
};

} // namespace

QString TexteAide()
{
    QString texte;
    for (const char *paragraphe : ParagraphesAide)
        texte += QString::fromUtf8(paragraphe);
    return texte;
}
