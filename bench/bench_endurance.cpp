// Soak run: the real window, offscreen, on a big kiosk folder, driven through
// random operator actions by the controls' object names (views, searches in
// every mode with typed keys and pasted text, header clicks, period picks on
// the calendar, the three reports, printing to PDF). After each action it
// checks that the grid and the ticket box show the view's current record,
// that List1 holds what the last report wrote, and that the database file is
// untouched; from time to time that it still opens whole. Seeded and
// reproducible; prints the actions by kind, the faults found and the time.
//
//   bench_endurance [--actions N] [--ventes N] [--graine S] [dossier]
//
// Without a folder, a demo folder of N sales (default 100,000) is written
// into a temporary folder with corvane-demo (found beside this program).
#include "DossierDemo.h"
#include "FrmGestion/DataGrid.h"
#include "FrmGestion/DataSource.h"
#include "FrmGestion/FrmGestion.h"
#include "FrmGestion/LiaisonChamp.h"
#include "impression/ImprimanteQt.h"
#include "rapports/ListeRapport.h"
#include "rapports/Rapports.h"
#include "shared/Chemins.h"
#include "shared/Plateforme.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>
#include <functional>
#include <map>
#include <random>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

QTextStream sortie(stdout);

// Messages the program showed, with the action that was running.
class BoiteEndurance : public Plateforme::BoiteMessage
{
public:
    void afficher(const QString &texte, const QString &titre) override { messages << titre + QStringLiteral(" : ") + texte; }
    QStringList messages;
};

// The database file as the disk shows it; any write changes it.
struct EtatFichier
{
    qint64 taille = -1;
    qint64 modifie = 0;
    quint64 inode = 0;
    bool operator==(const EtatFichier &) const = default;
};

EtatFichier etatFichier(const QString &chemin)
{
    struct stat st{};
    if (::stat(QFile::encodeName(chemin).constData(), &st) != 0)
        return {};
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, quint64(st.st_ino)};
}

// Opens the file on a connection of its own: "ok" and the number of sales, or the engine's error.
QString controleBase(const QString &chemin, qint64 *ventes)
{
    sqlite3 *db = nullptr;
    QString r;
    if (sqlite3_open_v2(QFile::encodeName(chemin).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        r = QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT (SELECT group_concat(quick_check) FROM pragma_quick_check), "
                               "(SELECT count(*) FROM Ventes)", -1, &st, nullptr);
        if (st && sqlite3_step(st) == SQLITE_ROW) {
            r = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            *ventes = sqlite3_column_int64(st, 1);
        } else {
            r = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return r;
}

QString lignes(const QListWidget *liste)
{
    QStringList l;
    for (int i = 0; i < liste->count(); ++i)
        l << liste->item(i)->text();
    return l.join(QLatin1Char('\n'));
}

// The text as a plain-text box gives it back: its line ends as line feeds.
QString enLignes(QString t)
{
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    t.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return t;
}

void cliquer(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void cliquerOption(QRadioButton *o)
{
    QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(6, o->height() / 2));
}

// Shows the day's month and clicks the day's cell, as the operator does.
bool cliquerJour(QCalendarWidget *calendrier, QDate jour)
{
    calendrier->setCurrentPage(jour.year(), jour.month());
    auto *vue = calendrier->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
    if (!vue)
        return false;
    QAbstractItemModel *m = vue->model();
    int decalage = -1;
    for (int ligne = 0; ligne < m->rowCount(); ++ligne)
        for (int colonne = 0; colonne < m->columnCount(); ++colonne) {
            const QModelIndex i = m->index(ligne, colonne);
            if (decalage < 0 && i.data().toInt() == 1)
                decalage = 0;
            if (decalage >= 0 && decalage++ == jour.day() - 1) {
                if (i.data().toInt() != jour.day())
                    return false;
                QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, vue->visualRect(i).center());
                return true;
            }
        }
    return false;
}

class Endurance
{
public:
    Endurance(FrmGestion &f, quint64 graine, QString dossierPdf)
        : f(f), alea(graine), m_pdf(std::move(dossierPdf))
    {
        journal = f.findChild<DataGrid *>(QStringLiteral("DataGrid1"));
        telecollectes = f.findChild<DataGrid *>(QStringLiteral("DataGrid2"));
        texte2 = f.findChild<QLineEdit *>(QStringLiteral("Text2"));
        texte1 = f.findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
        list1 = f.findChild<QListWidget *>(QStringLiteral("List1"));
        calendrier = f.findChild<QCalendarWidget *>(QStringLiteral("MonthView1"));
        for (const char *nom : {"Option1", "Option2", "Option3"})
            options << f.findChild<QRadioButton *>(QLatin1String(nom));
        m_base = resoudreChemin(f.CheminBase);   // the configured name, upper-cased, found case-blind
        m_etatBase = etatFichier(m_base);
        m_list1 = lignes(list1);
        if (controleBase(m_base, &m_ventes) != QLatin1String("ok") || m_etatBase.taille <= 0)
            defaut(QStringLiteral("la base ne s'ouvre pas au départ : ") + m_base);
        premierJour = QDate(2000, 1, 1);
        dernierJour = QDate::currentDate();
        if (f.RsVentes.recordCount() > 0) {
            const int ord = f.RsVentes.fieldOrdinal(QStringLiteral("Date"));
            dernierJour = f.RsVentes.valueAt(0, ord).toDateTime().date().addDays(40);
            premierJour = f.RsVentes.valueAt(f.RsVentes.recordCount() - 1, ord).toDateTime().date().addDays(-40);
        }
    }

    void executer(int n)
    {
        using Action = std::pair<const char *, std::function<void()>>;
        const std::vector<std::pair<int, Action>> actions = {
            {6, {"vue journal", [&] { cliquer(f.Command1); }}},
            {4, {"vue télécollectes", [&] { cliquer(f.Command2); }}},
            {8, {"mode de recherche", [&] { cliquerOption(options[tirer(3)]); }}},
            {18, {"frappe", [&] { taper(texteTape()); }}},
            {5, {"retour arrière", [&] { QTest::keyClick(texte2, Qt::Key_Backspace); }}},
            {7, {"collage", [&] { coller(); }}},
            {6, {"en-tête", [&] { cliquerEntete(); }}},
            {10, {"déplacement dans la grille", [&] { deplacer(); }}},
            {10, {"période", [&] { choisirJour(); }}},
            {4, {"Total des ventes", [&] { rapport(f.Command4, ::TotalVentes); }}},
            {4, {"Ventes Journalières", [&] { rapport(f.Command5, ::TotalVentesparJours); }}},
            {4, {"Ventes Mensuel", [&] { rapport(f.Command8, ::TotalVentesparmois); }}},
            {3, {"impression du rapport", [&] { imprimer(f.Command7); }}},
            {3, {"impression du ticket", [&] { imprimer(f.CmdTicket); }}},
        };
        int poidsTotal = 0;
        for (const auto &a : actions)
            poidsTotal += a.first;
        QElapsedTimer chrono;
        chrono.start();
        for (m_action = 1; m_action <= n; ++m_action) {
            int tirage = tirer(poidsTotal);
            const Action *choisie = nullptr;
            for (const auto &a : actions) {
                if ((tirage -= a.first) < 0) {
                    choisie = &a.second;
                    break;
                }
            }
            m_nom = QString::fromUtf8(choisie->first);
            m_rapport = false;
            const qsizetype messagesAvant = boite.messages.size();
            QElapsedTimer t;
            t.start();
            choisie->second();
            QCoreApplication::processEvents();
            m_temps[m_nom] += t.nsecsElapsed();
            ++m_compte[m_nom];
            verifier(messagesAvant);
            if (m_action % 1000 == 0) {
                controlerFichier();
                sortie << m_action << " actions, " << m_defauts << " défaut(s), " << chrono.elapsed() / 1000 << " s"
                       << Qt::endl;
            }
        }
        controlerFichier();
        m_duree = chrono.elapsed();
    }

    void bilan(quint64 graine) const
    {
        sortie << Qt::endl << "Actions par genre (nombre, temps moyen) :" << Qt::endl;
        for (const auto &[nom, compte] : m_compte)
            sortie << "  " << qSetFieldWidth(30) << Qt::left << nom << qSetFieldWidth(0) << qSetFieldWidth(7)
                   << Qt::right << compte << qSetFieldWidth(0) << "  "
                   << QString::number(double(m_temps.at(nom)) / 1e6 / compte, 'f', 1) << " ms" << Qt::endl;
        sortie << "Messages montrés : " << boite.messages.size() << " (attendus : période incomplète)" << Qt::endl;
        for (const auto &[texte, n] : m_messages)
            sortie << "  " << n << " × " << texte << Qt::endl;
        sortie << "Graine " << graine << " : " << (m_action - 1) << " actions en " << m_duree / 1000.0 << " s, "
               << m_defauts << " défaut(s)" << Qt::endl;
    }

    int defauts() const { return m_defauts; }
    BoiteEndurance boite;

private:
    int tirer(int n) { return std::uniform_int_distribution<int>(0, n - 1)(alea); }

    // Each character as its own key press, as the keyboard sends it.
    void taper(const QString &texte)
    {
        for (const QChar c : texte)
            QTest::sendKeyEvent(QTest::Click, texte2, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }

    QString texteTape()
    {
        static const QString touches = QStringLiteral("0123456789012345678901234567890123456789///:: abzXYZé'\"*%[]#-.,");
        QString t;
        const int n = 1 + tirer(10);
        for (int i = 0; i < n; ++i)
            t += touches.at(tirer(int(touches.size())));
        return t;
    }

    void coller()
    {
        QString t;
        switch (tirer(6)) {
        case 0: // a date as the operator would paste it, sometimes not one
            t = QStringLiteral("%1/%2/%3").arg(1 + tirer(31), 2, 10, QLatin1Char('0')).arg(1 + tirer(13), 2, 10, QLatin1Char('0'))
                    .arg(2000 + tirer(40));
            if (tirer(2))
                t += QStringLiteral(" %1:%2:00").arg(tirer(25)).arg(tirer(60), 2, 10, QLatin1Char('0'));
            break;
        case 1: // a card number's beginning
            t = QStringLiteral("4970") + QString::number(tirer(100000));
            break;
        case 2: // an invoice number, or past the end
            t = QString::number(tirer(int(m_ventes) * 2 + 10));
            break;
        case 3: // what a criterion must never take for its own syntax
            t = QStringList{QStringLiteral("' or 1=1 --"), QStringLiteral("4970*"), QStringLiteral("[Client]"),
                            QStringLiteral("1 OR NoVente > 0"), QStringLiteral("\"quoted\""), QStringLiteral("%_%"),
                            QStringLiteral("#01/01/2020#"), QStringLiteral("1e308"), QStringLiteral("-1"),
                            QStringLiteral("99999999999999999999")}
                    .at(tirer(10));
            break;
        case 4: // long
            t = QString(200 + tirer(3000), QLatin1Char('0' + char(tirer(10))));
            break;
        default: // any characters, line breaks and tabs among them
            for (int i = 0, n = 1 + tirer(40); i < n; ++i)
                t += QChar(char16_t(tirer(3) ? 0x20 + tirer(0x5f) : 1 + tirer(0x2fff)));
            break;
        }
        QGuiApplication::clipboard()->setText(t);
        if (tirer(3) == 0)
            texte2->selectAll();   // the paste replaces the text
        QTest::keyClick(texte2, Qt::Key_V, Qt::ControlModifier);
    }

    DataGrid *grilleVisible() const { return journal->isVisible() ? journal : telecollectes; }

    void cliquerEntete()
    {
        QHeaderView *entete = journal->table()->horizontalHeader();
        if (!journal->isVisible() || entete->count() == 0) {
            cliquer(f.Command1);
            return;
        }
        const int section = entete->logicalIndex(tirer(entete->count()));
        QTableView *table = journal->table();
        const int ligne = table->currentIndex().isValid() ? table->currentIndex().row() : 0;
        table->scrollTo(table->model()->index(ligne, section));
        QCoreApplication::processEvents();
        const int x = entete->sectionViewportPosition(section) + entete->sectionSize(section) / 2;
        if (x < 0 || x >= entete->viewport()->width()) {
            // Out of sight: the click goes to the handler as the header would pass it.
            f.DataGrid1_HeadClick(section);
            return;
        }
        QTest::mouseClick(entete->viewport(), Qt::LeftButton, {}, QPoint(x, entete->height() / 2));
    }

    void deplacer()
    {
        QTableView *t = grilleVisible()->table();
        static const Qt::Key touches[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home,
                                          Qt::Key_End};
        if (tirer(2)) {
            QTest::keyClick(t, touches[tirer(6)], tirer(4) == 0 ? Qt::ControlModifier : Qt::NoModifier);
            return;
        }
        const QModelIndex haut = t->indexAt(QPoint(2, 2));
        const QModelIndex bas = t->indexAt(QPoint(2, t->viewport()->height() - 2));
        if (!haut.isValid())
            return;
        const int dernier = bas.isValid() ? bas.row() : t->model()->rowCount() - 1;
        const QModelIndex i = t->model()->index(haut.row() + tirer(dernier - haut.row() + 1), tirer(2));
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualRect(i).center());
    }

    void choisirJour()
    {
        cliquer(f.Command6[tirer(2)]);
        const qint64 jours = premierJour.daysTo(dernierJour);
        cliquerJour(calendrier, premierJour.addDays(std::uniform_int_distribution<qint64>(0, jours)(alea)));
    }

    using ProcedureRapport = ResultatRapport (*)(Connection &, const std::optional<DateTime> &, const QString &,
                                                 ListeRapport &);

    // What List1 must hold after the report: the same procedure run on a
    // list that starts as List1 does.
    void rapport(QPushButton *bouton, ProcedureRapport procedure)
    {
        ListeLignes attendu;
        for (int i = 0; i < list1->count(); ++i)
            attendu.lignes << list1->item(i)->text();
        BoiteEndurance silence;
        Plateforme::definirBoiteMessage(&silence);
        procedure(f.Connexion, f.DateDebut, f.DateFin, attendu);
        Plateforme::definirBoiteMessage(&boite);
        cliquer(bouton);
        m_list1 = attendu.lignes.join(QLatin1Char('\n'));
        m_rapport = true;
    }

    void imprimer(QPushButton *bouton)
    {
        const QString pdf = m_pdf + QStringLiteral("/impression.pdf");
        QFile::remove(pdf);
        ImprimanteParDefaut::definirFichierPdf(pdf);
        cliquer(bouton);
        QFile f(pdf);
        if (!f.open(QIODevice::ReadOnly) || !f.read(5).startsWith("%PDF-"))
            defaut(QStringLiteral("aucun PDF écrit"));
    }

    void defaut(const QString &texte)
    {
        ++m_defauts;
        if (m_defauts <= 30)
            sortie << "DÉFAUT à l'action " << m_action << " (" << m_nom << ") : " << texte << Qt::endl;
    }

    void verifier(qsizetype messagesAvant)
    {
        // Messages: only a report run before the period is complete may show one.
        const bool periodeComplete = f.DateDebut.has_value() && !f.DateFin.isEmpty();
        for (qsizetype i = messagesAvant; i < boite.messages.size(); ++i) {
            ++m_messages[boite.messages.at(i)];
            if (!m_rapport || periodeComplete)
                defaut(QStringLiteral("message inattendu : ") + boite.messages.at(i));
        }

        // The grid shown and the ticket box follow the view's current record.
        const bool vueJournal = journal->isVisible();
        if (vueJournal == telecollectes->isVisible())
            defaut(QStringLiteral("aucune grille, ou les deux, à l'écran"));
        Recordset &rs = vueJournal ? f.RsVentes : f.RsTelecollectes;
        DataSource *source = vueJournal ? f.Adodc2 : f.Adodc3;
        if (f.LiaisonText1->source() != source)
            defaut(QStringLiteral("le ticket n'est pas lié à la vue affichée"));
        QTableView *table = (vueJournal ? journal : telecollectes)->table();
        QString ticket;
        if (!rs.isEof() && !rs.isBof()) {
            const Value v = rs.field(QStringLiteral("Ticket"));
            ticket = v.isNull() ? QString() : v.toString();
            if (table->currentIndex().row() != rs.absolutePosition())
                defaut(QStringLiteral("ligne courante de la grille %1, enregistrement courant %2")
                           .arg(table->currentIndex().row())
                           .arg(rs.absolutePosition()));
        }
        if (f.LiaisonText1->valeur() != ticket || enLignes(texte1->toPlainText()) != enLignes(ticket))
            defaut(QStringLiteral("le ticket affiché n'est pas celui de l'enregistrement courant"));

        // List1 holds what the last report wrote; nothing else changes it.
        if (lignes(list1) != m_list1)
            defaut(QStringLiteral("List1 ne contient pas le dernier rapport"));

        // Nothing writes the database while the window browses it.
        if (etatFichier(m_base) != m_etatBase)
            defaut(QStringLiteral("le fichier de la base a changé"));
    }

    void controlerFichier()
    {
        qint64 ventes = -1;
        const QString r = controleBase(m_base, &ventes);
        if (r != QLatin1String("ok") || ventes != m_ventes)
            defaut(QStringLiteral("la base ne s'ouvre pas entière : %1 (%2 ventes)").arg(r).arg(ventes));
    }

    FrmGestion &f;
    std::mt19937_64 alea;
    QString m_pdf;
    DataGrid *journal = nullptr;
    DataGrid *telecollectes = nullptr;
    QLineEdit *texte2 = nullptr;
    QPlainTextEdit *texte1 = nullptr;
    QListWidget *list1 = nullptr;
    QCalendarWidget *calendrier = nullptr;
    QList<QRadioButton *> options;
    QDate premierJour, dernierJour;

    QString m_base;
    EtatFichier m_etatBase;
    qint64 m_ventes = 0;
    QString m_list1;
    int m_action = 0;
    QString m_nom;
    bool m_rapport = false;
    int m_defauts = 0;
    qint64 m_duree = 0;
    std::map<QString, int> m_compte;
    std::map<QString, qint64> m_temps;
    std::map<QString, int> m_messages;
};

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
    int actions = 10000, ventes = 100000;
    quint64 graine = std::random_device{}();
    QString dossier;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--actions") && i + 1 < args.size())
            actions = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--ventes") && i + 1 < args.size())
            ventes = args[++i].toInt();
        else if (args[i] == QLatin1String("--graine") && i + 1 < args.size())
            graine = args[++i].toULongLong();
        else
            dossier = args[i];
    }
    sortie << "Graine " << graine << " (rejouer : --graine " << graine << ")" << Qt::endl;

    QTemporaryDir temporaire;
    if (dossier.isEmpty()) {
        dossier = temporaire.path();
        if (!ecrireDossierDemo(dossier, ventes, sortie))
            return 1;
    }
    Plateforme::definirCheminApplication(dossier);
    QTemporaryDir pdf;

    auto f = std::make_unique<FrmGestion>();
    BoiteEndurance demarrage;
    Plateforme::definirBoiteMessage(&demarrage);
    f->show();
    if (!QTest::qWaitForWindowExposed(f.get()) || !demarrage.messages.isEmpty()) {
        QTextStream(stderr) << "La fenêtre ne s'est pas ouverte : " << demarrage.messages.join(QLatin1Char('\n'))
                            << Qt::endl;
        return 1;
    }
    sortie << f->RsVentes.recordCount() << " ventes au journal" << Qt::endl;

    Endurance endurance(*f, graine, pdf.path());
    Plateforme::definirBoiteMessage(&endurance.boite);
    endurance.executer(actions);
    endurance.bilan(graine);
    f->close();
    Plateforme::definirBoiteMessage(nullptr);
    return endurance.defauts() == 0 ? 0 : 2;
}
