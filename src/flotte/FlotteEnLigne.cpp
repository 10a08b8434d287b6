#include "flotte/FlotteEnLigne.h"

#include "database/Dates.h"
#include "flotte/BaseFlotte.h"
#include "flotte/ImportFlotte.h"
#include "flotte/RapportsFlotte.h"
#include "rapports/ListeRapport.h"
#include "shared/LigneDeCommande.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

enum Sortie { Succes = 0, ServeurInaccessible = 1, LigneIncorrecte = 2, Echec = 3, Conflits = 4, SortieImpossible = 5 };

void ecrire(std::FILE *f, const QString &texte)
{
    const QByteArray o = texte.toUtf8();
    std::fwrite(o.constData(), 1, size_t(o.size()), f);
    std::fflush(f);
}

void erreur(const QString &texte) { ecrire(stderr, QStringLiteral("corvane : %1\n").arg(texte)); }

struct OptionsFlotte
{
    QString connexion, importer, borne, rapport, du, au, erreur;
    bool aide = false;
};

OptionsFlotte analyser(const QStringList &arguments)
{
    OptionsFlotte o;
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption flotte(QStringLiteral("flotte"), QString(), QStringLiteral("connexion"));
    const QCommandLineOption importer(QStringLiteral("importer"), QString(), QStringLiteral("dossier"));
    const QCommandLineOption borne(QStringLiteral("borne"), QString(), QStringLiteral("nom"));
    const QCommandLineOption rapport(QStringLiteral("rapport"), QString(), QStringLiteral("rapport"));
    const QCommandLineOption du(QStringLiteral("du"), QString(), QStringLiteral("date"));
    const QCommandLineOption au(QStringLiteral("au"), QString(), QStringLiteral("date"));
    const QCommandLineOption aide(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("aide")});
    p.addOptions({flotte, importer, borne, rapport, du, au, aide});
    if (!p.parse(arguments)) {
        o.erreur = p.unknownOptionNames().isEmpty()
            ? QStringLiteral("Une option de --flotte demande une valeur.")
            : QStringLiteral("Option inconnue avec --flotte : %1").arg(p.unknownOptionNames().constFirst());
        return o;
    }
    o.aide = p.isSet(aide);
    o.connexion = p.value(flotte);
    o.importer = p.value(importer);
    o.borne = p.value(borne).trimmed();
    o.rapport = p.value(rapport);
    o.du = p.value(du);
    o.au = p.value(au);
    if (o.aide)
        return o;
    if (!p.positionalArguments().isEmpty())
        o.erreur = QStringLiteral("Argument inattendu : %1").arg(p.positionalArguments().constFirst());
    else if (p.isSet(importer) == p.isSet(rapport))
        o.erreur = QStringLiteral("L'option --flotte demande --importer <dossier> ou --rapport <rapport>.");
    else if (p.isSet(importer) && o.borne.isEmpty())
        o.erreur = QStringLiteral("L'option --importer demande le nom de la borne (--borne <nom>).");
    else if (p.isSet(importer) && (p.isSet(du) || p.isSet(au)))
        o.erreur = QStringLiteral("Les options --du et --au vont avec --rapport.");
    else if (p.isSet(rapport) && o.rapport != QLatin1String("total") && o.rapport != QLatin1String("journalier")
             && o.rapport != QLatin1String("mensuel"))
        o.erreur = QStringLiteral("Rapport inconnu : %1 (total, journalier ou mensuel)").arg(o.rapport);
    else if (p.isSet(rapport) && (o.du.trimmed().isEmpty() || o.au.trimmed().isEmpty()))
        o.erreur = QStringLiteral("L'option --rapport demande une date de début (--du) et une date de fin (--au).");
    return o;
}

std::optional<QDate> lireDate(const QString &texte)
{
    const std::optional<DateTime> d = AnalyserDate(texte, Plateforme::localeSysteme());
    if (!d || d->secondsOfDay() != 0)
        return std::nullopt;
    return d->date();
}

int importer(BaseFlotte &base, const OptionsFlotte &o)
{
    const ResultatImport r = ImporterBorne(base, o.importer, o.borne, [](const QString &ligne) { erreur(ligne); });
    for (const QString &c : r.conflits)
        erreur(QStringLiteral("conflit, borne %1, %2 (laissée telle quelle)").arg(o.borne, c));
    ecrire(stdout, QStringLiteral("Borne %1 : %2 ventes lues, %3 ajoutées ; %4 télécollectes lues, %5 ajoutées.\n")
                       .arg(o.borne).arg(r.ventesLues).arg(r.ventesAjoutees).arg(r.telecollectesLues)
                       .arg(r.telecollectesAjoutees));
    return r.conflits.isEmpty() ? Succes : Conflits;
}

int rapport(BaseFlotte &base, const OptionsFlotte &o)
{
    const std::optional<QDate> du = lireDate(o.du), au = lireDate(o.au);
    if (!du || !au) {
        erreur(QStringLiteral("Date illisible : %1 (format attendu : %2)")
                   .arg(du ? o.au : o.du, Plateforme::formatDateCourte()));
        return LigneIncorrecte;
    }
    const RapportFlotte genre = o.rapport == QLatin1String("total") ? RapportFlotte::Total
        : o.rapport == QLatin1String("journalier")                   ? RapportFlotte::Journalier
                                                                     : RapportFlotte::Mensuel;
    ListeLignes liste;
    if (ExecuterRapportFlotte(base, genre, *du, *au, o.borne, liste) == ResultatRapport::AucuneVente) {
        erreur(QStringLiteral("aucune vente du %1 au %2 : rien n'est écrit.").arg(o.du, o.au));
        return Succes;
    }
    QByteArray octets;
    for (const QString &l : liste.lignes)
        octets += l.toUtf8() + '\n';
    if (std::fwrite(octets.constData(), 1, size_t(octets.size()), stdout) != size_t(octets.size())
        || std::fflush(stdout) != 0) {
        erreur(QStringLiteral("la sortie standard n'a pas pu être écrite."));
        return SortieImpossible;
    }
    return Succes;
}

} // namespace

std::optional<int> ExecuterFlotteEnLigne(int &argc, char **argv)
{
    QStringList arguments;
    bool flotte = false;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
        flotte = flotte || (i > 0 && (arguments.last() == QLatin1String("--flotte")
                                      || arguments.last().startsWith(QLatin1String("--flotte="))));
    }
    if (!flotte)
        return std::nullopt;
    const OptionsFlotte o = analyser(arguments);
    if (o.aide) {
        ecrire(stdout, TexteAide());
        return Succes;
    }
    if (!o.erreur.isEmpty()) {
        erreur(o.erreur);
        erreur(QStringLiteral("Essayez « corvane --help » pour plus d'informations."));
        return LigneIncorrecte;
    }
    // The Jet converter is found beside this program.
    QCoreApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("corvane"));
    try {
        BaseFlotte base(o.connexion);
        return o.importer.isEmpty() ? rapport(base, o) : importer(base, o);
    } catch (const RuntimeError &e) {
        erreur(e.description());
        return e.number() == ErreursFlotte::ServeurInjoignable || e.number() == ErreursFlotte::AuthentificationRefusee
            ? ServeurInaccessible
            : Echec;
    }
}
