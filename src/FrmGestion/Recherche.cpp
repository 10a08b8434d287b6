// Search modes, the search box's key filter and the search itself.
#include "FrmGestion/FrmGestion.h"

#include "FrmGestion/DataGrid.h"
#include "FrmGestion/DataSource.h"
#include "database/Dates.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

#include <QLineEdit>
#include <QRadioButton>
#include <functional>
#include <optional>

namespace {

// The record set behind a data source; an unset one is the platform's
// "object variable not set".
Recordset &JeuDe(const DataSource *source)
{
    if (!source || !source->recordset())
        throw RuntimeError(91, QStringLiteral("Variable objet ou variable de bloc With non définie"));
    return *source->recordset();
}

// The text read as a date by the system's conventions; a text that is no date
// is the platform's type mismatch. A date followed by a time still being
// typed is not yet a date: nothing, and no failure.
std::optional<DateTime> LireDate(const QString &texte)
{
    const QLocale locale = Plateforme::localeSysteme();
    if (const std::optional<DateTime> date = AnalyserDate(texte, locale))
        return date;
    if (DateSuivieDUnDebutDHeure(texte, locale))
        return std::nullopt;
    throw RuntimeError(Erreurs::TypeIncompatible, QStringLiteral("Type incompatible"));
}

QString TexteCritere(const DateTime &date) { return TexteDate(date, Plateforme::localeSysteme()); }

// The journal's date mode: "Date >=" followed by the date in the system's
// ordinary form (the short date, and the time unless it is midnight).
QString CritereVente(const DateTime &date) { return QStringLiteral("Date >=") + TexteCritere(date); }

// The card-batch list, always newest first: the newest upload made on or
// before the day typed, or at or before the moment when a time is typed.
QString CritereTelecollecte(const DateTime &date)
{
    constexpr std::int64_t Jour = 86400;
    const DateTime dernier = DateTime::fromDate(QDate(9999, 12, 31));
    if (date.secondsOfDay() == 0 && date < dernier)
        return QStringLiteral("LaDate <") + TexteCritere(DateTime{date.secondes + Jour});
    if (date.secondsOfDay() == 0)
        return QStringLiteral("LaDate <=") + TexteCritere(DateTime{date.secondes + Jour - 1});
    return QStringLiteral("LaDate <=") + TexteCritere(date);
}

// Runs one step of the search under its failure path.
using Etape = std::function<void(const std::function<void()> &)>;

// The search on one record set: nothing when the set is empty; save the
// current position; find; back to the saved position when the find met no
// record. `trouver` reads the mode and the text when its turn comes, since a
// failure before it may have emptied the box.
void Chercher(const DataSource *source, const Etape &etape, const std::function<void(Recordset &)> &trouver)
{
    bool vide = false;
    etape([&] { vide = JeuDe(source).recordCount() < 1; });
    if (vide)
        return;

    std::optional<Recordset::Bookmark> position;
    etape([&] { position = JeuDe(source).bookmark(); });

    etape([&] { trouver(JeuDe(source)); });

    bool fin = false;
    etape([&] { fin = JeuDe(source).isEof(); });
    if (fin)
        etape([&] {
            if (!position)
                throw RuntimeError(Erreurs::FinDeFichier, QStringLiteral("Aucun enregistrement en cours"));
            JeuDe(source).setBookmark(*position);
        });
}

} // namespace

void FrmGestion::Option1_Click()
{
    JeuDe(Adodc2).setSort(QStringLiteral("Date DESC"));
    Text2->setText(QString());
    Text2->setFocus();
}

void FrmGestion::Option2_Click()
{
    JeuDe(Adodc2).setSort(QStringLiteral("Client"));
    Text2->setText(QString());
    Text2->setFocus();
}

void FrmGestion::Option3_Click()
{
    JeuDe(Adodc2).setSort(QStringLiteral("NoVente"));
    Text2->setText(QString());
    Text2->setFocus();
}

void FrmGestion::Text2_KeyPress(qint16 &KeyAscii)
{
    // The card-batch list is searched by date whatever option is selected
    // (the options are hidden with the journal).
    const bool parDate = Option1->isChecked() || DataGrid1->isHidden();
    const QString acceptes = parDate ? QStringLiteral("0123456789/:") : QStringLiteral("0123456789");
    const int seuil = parDate ? 32 : 31;
    // The code read as a UTF-16 unit: a character above 32767 is no negative number.
    const int code = quint16(KeyAscii);
    if (!acceptes.contains(QChar(char16_t(code))) && code > seuil)
        KeyAscii = 0;
}

void FrmGestion::Text2_Change()
{
    // Failure path: a failing step empties the box, silently, and the search
    // goes on with the next step. Emptying a box that held text is itself a
    // change, so the search runs once more, nested, on the empty text before
    // this one goes on with its own saved position.
    const Etape etape = [this](const std::function<void()> &action) {
        bool echec = false;
        try {
            action();
        } catch (const std::exception &) {
            echec = true;
        }
        if (echec)
            Text2->setText(QString());
    };

    if (DataGrid1->isHidden()) {
        // The card-batch list is searched by date whatever option is
        // selected, with the date mode's threshold, from the first upload:
        // in the newest-first list a later day moves up as an earlier one
        // moves down. The parameters record is never searched.
        Chercher(Adodc3, etape, [this](Recordset &rs) {
            if (Text2->text().size() < 8)
                return;
            if (const std::optional<DateTime> date = LireDate(Text2->text()))
                rs.find(CritereTelecollecte(*date), 0, Recordset::adSearchForward, Recordset::FromFirst);
        });
        return;
    }

    // The text is never made into SQL: the criterion goes to the set's own
    // Find, which refuses what it cannot read (a quote in pasted text...).
    Chercher(Adodc2, etape, [this](Recordset &rs) {
        if (Option2->isChecked())
            rs.find(QStringLiteral("[Client] like '") + Text2->text().toUpper() + QStringLiteral("*'"), 0,
                    Recordset::adSearchForward, Recordset::FromFirst);
        else if (Option1->isChecked() && Text2->text().size() >= 8) {
            if (const std::optional<DateTime> date = LireDate(Text2->text()))
                rs.find(CritereVente(*date), 0, Recordset::adSearchForward, Recordset::FromCurrent);
        }
        else if (Option3->isChecked())
            rs.find(QStringLiteral("NoVente =") + Text2->text(), 0, Recordset::adSearchForward,
                    Recordset::FromFirst);
    });
}
