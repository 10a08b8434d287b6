// The search box and the search modes on a big journal, through the real
// window offscreen: one keystroke in each mode, one mode change (re-sort).
// Prints median, minimum and maximum per operation; never fails on a time.
//
//   bench_recherche [--ventes N] [--repetitions N] [dossier]
//
// Without a folder, a demo kiosk folder of N sales (default 1,000,000) is
// written into a temporary folder with corvane-demo (found beside this program).
#include "DossierDemo.h"
#include "FrmGestion/FrmGestion.h"
#include "shared/Plateforme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <random>
#include <time.h>
#include <vector>

namespace {

QTextStream sortie(stdout);

struct Mesure
{
    QString nom;
    std::vector<double> ms;          // elapsed
    std::vector<double> processeur;  // this thread's processor time, which other programs do not inflate
};

// Processor time of the calling thread, in milliseconds.
double tempsProcesseur()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double mediane(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void imprimer(const Mesure &m)
{
    const auto [min, max] = std::minmax_element(m.ms.begin(), m.ms.end());
    sortie << qSetFieldWidth(44) << Qt::left << m.nom << qSetFieldWidth(0) << "  médiane "
           << QString::number(mediane(m.ms), 'f', 2) << " ms  min " << QString::number(*min, 'f', 2) << " ms  max "
           << QString::number(*max, 'f', 2) << " ms  processeur (médiane) "
           << QString::number(mediane(m.processeur), 'f', 2) << " ms  (" << m.ms.size() << " fois)" << Qt::endl;
}

// Runs `action` `n` times after `preparer` (not timed); the time includes the
// events it leaves behind (the grid's repaint).
Mesure mesurer(const QString &nom, int n, const std::function<void(int)> &preparer,
               const std::function<void(int)> &action)
{
    Mesure m{nom, {}, {}};
    for (int i = 0; i < n; ++i) {
        preparer(i);
        QCoreApplication::processEvents();
        QElapsedTimer t;
        const double p = tempsProcesseur();
        t.start();
        action(i);
        QCoreApplication::processEvents();
        m.ms.push_back(double(t.nsecsElapsed()) / 1e6);
        m.processeur.push_back(tempsProcesseur() - p);
    }
    imprimer(m);
    return m;
}

void cliquer(QRadioButton *o)
{
    QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(6, o->height() / 2));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QLocale fr(QLocale::French, QLocale::France);
    QLocale::setDefault(fr);
    Plateforme::definirLocaleSysteme(fr);

    QStringList args = application.arguments().mid(1);
    int ventes = 1000000, repetitions = 21;
    QString dossier;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--ventes") && i + 1 < args.size())
            ventes = args[++i].toInt();
        else if (args[i] == QLatin1String("--repetitions") && i + 1 < args.size())
            repetitions = std::max(1, args[++i].toInt());
        else
            dossier = args[i];
    }

    QTemporaryDir temporaire;
    if (dossier.isEmpty()) {
        dossier = temporaire.path();
        if (!ecrireDossierDemo(dossier, ventes, sortie))
            return 1;
    }
    Plateforme::definirCheminApplication(dossier);

    FrmGestion f;
    QElapsedTimer t;
    t.start();
    f.show();
    if (!QTest::qWaitForWindowExposed(&f))
        return 1;
    sortie << "Démarrage (fenêtre affichée) : " << t.elapsed() << " ms, " << f.RsVentes.recordCount()
           << " ventes au journal" << Qt::endl;
    Recordset &rs = f.RsVentes;
    const int total = rs.recordCount();
    if (total < 1)
        return 1;
    QLineEdit *boite = f.Text2;

    // Real card numbers and invoice numbers of the journal, picked at random.
    std::mt19937 alea(20080122);
    std::uniform_int_distribution<int> position(0, total - 1);
    const int ordClient = rs.fieldOrdinal(QStringLiteral("Client"));
    const int ordNo = rs.fieldOrdinal(QStringLiteral("NoVente"));
    QStringList cartes, factures;
    while (cartes.size() < repetitions) {
        const Value v = rs.valueAt(position(alea), ordClient);
        if (!v.isNull() && v.toString().size() >= 6)
            cartes << v.toString();
    }
    while (factures.size() < repetitions)
        factures << rs.valueAt(position(alea), ordNo).toString();

    sortie << Qt::endl << "Frappes (objectif : médiane sous 16 ms)" << Qt::endl;

    // Date mode, newest first: the 8th character searches from the current sale.
    const auto septCaracteres = [&](const QString &date) {
        return [&, date](int) {
            boite->setText(date.left(7));
        };
    };
    const auto huitieme = [&](const QString &date) { return [&, date](int) { QTest::keyClick(boite, date.at(7).toLatin1()); }; };
    mesurer(QStringLiteral("date, la courante convient"), repetitions, septCaracteres(QStringLiteral("01/01/00")),
            huitieme(QStringLiteral("01/01/00")));
    mesurer(QStringLiteral("date, aucune (tout le journal, retour)"), repetitions,
            septCaracteres(QStringLiteral("31/12/29")), huitieme(QStringLiteral("31/12/29")));
    boite->clear();

    // Card-number mode: a prefix grows one digit at a time; each search starts at the first record.
    Mesure changement{QStringLiteral("changement de mode (tri)"), {}, {}};
    const auto changerMode = [&](QRadioButton *o) {
        QElapsedTimer c;
        const double p = tempsProcesseur();
        c.start();
        cliquer(o);
        QCoreApplication::processEvents();
        changement.ms.push_back(double(c.nsecsElapsed()) / 1e6);
        changement.processeur.push_back(tempsProcesseur() - p);
    };
    changerMode(f.Option2);
    mesurer(QStringLiteral("carte, premier chiffre"), repetitions, [&](int) { boite->clear(); },
            [&](int i) { QTest::keyClick(boite, cartes[i].at(0).toLatin1()); });
    mesurer(QStringLiteral("carte, sixième chiffre"), repetitions,
            [&](int i) { boite->setText(cartes[i].left(5)); },
            [&](int i) { QTest::keyClick(boite, cartes[i].at(5).toLatin1()); });
    mesurer(QStringLiteral("carte, aucune (retour)"), repetitions, [&](int) { boite->setText(QStringLiteral("999999999")); },
            [&](int) { QTest::keyClick(boite, '9'); });
    mesurer(QStringLiteral("carte, retour arrière jusqu'au vide"), repetitions, [&](int i) { boite->setText(cartes[i].left(1)); },
            [&](int) { QTest::keyClick(boite, Qt::Key_Backspace); });
    boite->clear();

    // Invoice-number mode.
    changerMode(f.Option3);
    mesurer(QStringLiteral("facture, trouvée"), repetitions,
            [&](int i) { boite->setText(factures[i].left(factures[i].size() - 1)); },
            [&](int i) { QTest::keyClick(boite, factures[i].back().toLatin1()); });
    mesurer(QStringLiteral("facture, introuvable (retour)"), repetitions,
            [&](int) { boite->setText(QStringLiteral("99999999")); }, [&](int) { QTest::keyClick(boite, '9'); });
    boite->clear();

    sortie << Qt::endl << "Changements de mode, boîte vide (objectif : médiane sous 150 ms)" << Qt::endl;
    changement.ms.clear();
    changement.processeur.clear();
    QRadioButton *options[3] = {f.Option1, f.Option2, f.Option3};
    Mesure parMode[3] = {{QStringLiteral("vers « Par Date » (Date DESC)"), {}, {}},
                         {QStringLiteral("vers « Par No Carte Bancaire » (Client)"), {}, {}},
                         {QStringLiteral("vers « Par No Facture » (NoVente)"), {}, {}}};
    for (int i = 0; i < repetitions; ++i)
        for (int m = 0; m < 3; ++m) {
            changerMode(options[m]);
            parMode[m].ms.push_back(changement.ms.back());
            parMode[m].processeur.push_back(changement.processeur.back());
        }
    for (const Mesure &m : parMode)
        imprimer(m);
    imprimer(changement);

    // The record set alone, without the window: what the engine costs.
    sortie << Qt::endl << "Le jeu d'enregistrements seul (sans la fenêtre)" << Qt::endl;
    const auto seul = [](int) {};
    rs.setSort(QStringLiteral("Client"));
    mesurer(QStringLiteral("Find [Client] like, six chiffres"), repetitions, seul, [&](int i) {
        rs.find(QStringLiteral("[Client] like '") + cartes[i].left(6) + QStringLiteral("*'"), 0,
                Recordset::adSearchForward, Recordset::FromFirst);
    });
    rs.setSort(QStringLiteral("NoVente"));
    mesurer(QStringLiteral("Find NoVente =, trouvée"), repetitions, seul, [&](int i) {
        rs.find(QStringLiteral("NoVente =") + factures[i], 0, Recordset::adSearchForward, Recordset::FromFirst);
    });
    mesurer(QStringLiteral("Bookmark puis retour"), repetitions, seul, [&](int) { rs.setBookmark(rs.bookmark()); });
    mesurer(QStringLiteral("déplacement seul (grille et ticket suivent)"), repetitions, seul,
            [&](int i) { rs.moveTo((i * 7919) % total); });
    return 0;
}
