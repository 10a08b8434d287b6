#include "commande/RapportEnLigne.h"

#include "commande/SortiesProtegees.h"
#include "database/Connection.h"
#include "database/Dates.h"
#include "impression/ImprimanteQt.h"
#include "jet/ConvertisseurJet.h"
#include "journal/JournalErreurs.h"
#include "maintenance/Occupation.h"
#include "rapports/Impression.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"
#include "shared/Chemins.h"
#include "shared/Configuration.h"
#include "shared/LigneDeCommande.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <variant>

namespace {

enum Sortie { Succes = 0, BaseInaccessible = 1, LigneIncorrecte = 2, RapportEchoue = 3, ImpressionEchouee = 4,
              SortieImpossible = 5 };

void erreur(const QString &texte)
{
    const QByteArray octets = QStringLiteral("corvane : %1\n").arg(texte).toUtf8();
    std::fwrite(octets.constData(), 1, size_t(octets.size()), stderr);
    std::fflush(stderr);
}

// A date alone (no time of day) in the system's short-date format. Day zero
// (30/12/1899) is what a time alone reads as: no day of a period.
std::optional<QDate> lireDate(const QString &texte)
{
    const std::optional<DateTime> d = AnalyserDate(texte, Plateforme::localeSysteme());
    if (!d || d->secondsOfDay() != 0 || d->date() == QDate(1899, 12, 30))
        return std::nullopt;
    return d->date();
}

// Steps 2-7 of the start-up: the configuration names the database.
QString cheminBase()
{
    const QString dossier = Plateforme::cheminApplication();
    // Shared: a window starting meanwhile does not compact under the report.
    Maintenance::partagerDossier(dossier);
    return CheminBaseConfiguree(dossier);
}

// Step 9: the connection opens it.
void ouvrirBase(Connection &connexion, const QString &base)
{
    connexion.openPath(base);
}

struct Periode
{
    QDate du, au;
};

// The checks of the command line that need no database: the period, or the
// French refusal of what is only a mistyped command (never logged).
std::variant<Periode, QString> verifierDemande(const OptionsLigneDeCommande &options)
{
    const std::optional<QDate> du = lireDate(options.du);
    if (!du)
        return QStringLiteral("Date de début illisible : %1 (format attendu : %2)")
            .arg(options.du, Plateforme::formatDateCourte());
    const std::optional<QDate> au = lireDate(options.au);
    if (!au)
        return QStringLiteral("Date de fin illisible : %1 (format attendu : %2)")
            .arg(options.au, Plateforme::formatDateCourte());
    if (*du > *au)
        return QStringLiteral("Période inversée : la date de début (--du %1) est après la date de fin (--au %2).")
            .arg(options.du, options.au);
    if (!options.pdf.isEmpty())
        if (const QString refus = RefusFichierPdf(options.pdf); !refus.isEmpty())
            return refus;
    return Periode{*du, *au};
}

bool ecrireLignes(const QStringList &lignes)
{
    QByteArray octets;
    for (const QString &l : lignes) {
        octets += l.toUtf8();
        octets += '\n';
    }
    return std::fwrite(octets.constData(), 1, size_t(octets.size()), stdout) == size_t(octets.size())
        && std::fflush(stdout) == 0;
}

int executer(const OptionsLigneDeCommande &options)
{
    const std::variant<Periode, QString> demande = verifierDemande(options);
    if (const QString *refus = std::get_if<QString>(&demande)) {
        erreur(*refus);
        return LigneIncorrecte;
    }
    // The period as the calendar sets it: the start a date, the end its short-date text.
    const Periode &periode = std::get<Periode>(demande);
    const std::optional<DateTime> DateDebut = DateTime::fromDate(periode.du);
    const QString DateFin = TexteDate(DateTime::fromDate(periode.au), Plateforme::localeSysteme());

    // A Jet file is converted by the compaction at the window's start, which
    // the command line never runs.
    const QString base = cheminBase();
    if (Jet::EstBaseJet(resoudreChemin(base))) {
        erreur(QStringLiteral("La base de données « %1 » est encore au format Jet (Access) : démarrez une fois "
                              "la fenêtre de Corvane sur ce dossier, qui la convertit, ou convertissez-la avec "
                              "« corvane --convertir ».")
                   .arg(QFileInfo(resoudreChemin(base)).fileName()));
        return BaseInaccessible;
    }
    Connection Connexion;
    try {
        ouvrirBase(Connexion, base);
    } catch (const RuntimeError &e) {
        TraiterErreur(QStringLiteral("LigneDeCommande"), e);
        return BaseInaccessible;
    }

    ListeLignes liste;
    const auto procedure = options.rapport == QLatin1String("total") ? &TotalVentes
        : options.rapport == QLatin1String("journalier")             ? &TotalVentesparJours
                                                                     : &TotalVentesparmois;
    switch (procedure(Connexion, DateDebut, DateFin, liste)) {
    case ResultatRapport::Erreur:
        return RapportEchoue;
    case ResultatRapport::AucuneVente:
        erreur(QStringLiteral("aucune vente du %1 au %2 : rien n'est écrit ni imprimé.")
                   .arg(TexteDate(*DateDebut, Plateforme::localeSysteme()), DateFin));
        return Succes;
    case ResultatRapport::Rempli:
        break;
    }
    if (!ecrireLignes(liste.lignes)) {
        erreur(QStringLiteral("la sortie standard n'a pas pu être écrite."));
        return SortieImpossible;
    }
    if (options.imprimer || !options.pdf.isEmpty()) {
        const std::unique_ptr<Imprimante> imprimante = options.pdf.isEmpty()
            ? ImprimanteParDefaut::creer()
            : std::unique_ptr<Imprimante>(ImprimanteQt::versPdf(options.pdf));
        if (!ImprimerRapport(*imprimante, liste.lignes))
            return ImpressionEchouee;
    }
    return Succes;
}

} // namespace

std::optional<int> ExecuterRapportEnLigne(int &argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const OptionsLigneDeCommande options = AnalyserLigneDeCommande(arguments);
    if (!options.modeRapport)
        return std::nullopt;
    if (!options.erreur.isEmpty()) {
        erreur(options.erreur);
        const QByteArray conseil = QByteArrayLiteral("Essayez « corvane --help » pour plus d'informations.\n");
        std::fwrite(conseil.constData(), 1, size_t(conseil.size()), stderr);
        std::fflush(stderr);
        return LigneIncorrecte;
    }
    if (options.aide) {
        const QByteArray aide = TexteAide().toUtf8();
        std::fwrite(aide.constData(), 1, size_t(aide.size()), stdout);
        return Succes;
    }
    AppliquerLigneDeCommande(options);

    // Fonts and the printer need a GUI application; this one never has a
    // window, whatever the environment's display.
    std::unique_ptr<QCoreApplication> application;
    if (options.imprimer || !options.pdf.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    application->setApplicationName(QStringLiteral("corvane"));
    return executer(options);
}
