#include "database/Recordset.h"

#include "database/Command.h"
#include "database/Connection.h"
#include "database/Critere.h"
#include "database/ErreursAdo.h"
#include "database/RecordsetStore.h"
#include "database/Statement.h"

#include <algorithm>
#include <optional>
#include <sqlite3.h>

namespace {

[[noreturn]] void connexionInutilisable()
{
    throw RuntimeError(3709, QStringLiteral("La connexion ne peut pas être utilisée pour effectuer cette "
                                            "opération. Elle est fermée ou n'est pas valide dans ce contexte."));
}

QStringView sansCrochets(QStringView t)
{
    return t.size() >= 2 && t.front() == QLatin1Char('[') && t.back() == QLatin1Char(']') ? t.mid(1, t.size() - 2)
                                                                                           : t;
}

// A command text that is a table name alone ("Parametres", "[Erreurs]").
std::optional<QString> nomDeTable(const QString &texte)
{
    const QStringView t = QStringView(texte).trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (t.front() == QLatin1Char('[') && t.back() == QLatin1Char(']') && t.count(QLatin1Char(']')) == 1)
        return sansCrochets(t).toString();
    for (const QChar c : t)
        if (c.isSpace() || c == QLatin1Char(';') || c == QLatin1Char('(') || c == QLatin1Char('\'')
            || c == QLatin1Char('"') || c == QLatin1Char('['))
            return std::nullopt;
    return t.toString();
}

} // namespace

QString RecordsetStore::identifiant(const QString &nom)
{
    QString n = nom;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

void RecordsetStore::lireLigne(Statement &st, bool avecRowid)
{
    const int decalage = avecRowid ? 1 : 0;
    if (avecRowid)
        rowids.push_back(st.integer(0));
    for (std::size_t i = 0; i < colonnes.size(); ++i)
        if (!colonnes[i].differee())
            colonnes[i].ajouter(st.handle(), int(i) + decalage);
    ++lignes;
}

Recordset::Recordset(QObject *parent) : QObject(parent), d(std::make_unique<RecordsetStore>()) {}

Recordset::~Recordset() = default;

namespace {
struct Preparation
{
    std::unique_ptr<Statement> st;
    QString table;
};

Preparation preparer(Connection &c, const QString &texte, bool vide)
{
    Preparation p;
    if (const std::optional<QString> nom = nomDeTable(texte)) {
        Statement type(c, QStringLiteral("SELECT type, name FROM sqlite_master WHERE name = ?1 COLLATE NOCASE "
                                         "AND type IN ('table', 'view') ORDER BY name = ?1 DESC"));
        type.bind(1, Value(*nom));
        if (type.step() && type.text(0) == QLatin1String("table"))
            p.table = type.text(1);
        const QString depuis = QStringLiteral(" FROM ")
                               + RecordsetStore::identifiant(p.table.isEmpty() ? *nom : p.table)
                               + (vide ? QStringLiteral(" LIMIT 0") : QString());
        p.st = std::make_unique<Statement>(c, p.table.isEmpty() ? QStringLiteral("SELECT *") + depuis
                                                                : QStringLiteral("SELECT rowid, *") + depuis);
    } else {
        p.st = std::make_unique<Statement>(c, texte);
    }
    return p;
}
} // namespace

void Recordset::open(const Command &source)
{
    openImpl(source, false, true);
}

void Recordset::openForAppend(const Command &source)
{
    openImpl(source, true, false);
}

void Recordset::openImpl(const Command &source, bool enteteSeule, bool differer)
{
    if (d->ouvert)
        close();
    Connection *c = source.activeConnection();
    if (!c || !c->isOpen())
        connexionInutilisable();

    auto s = std::make_unique<RecordsetStore>();
    s->connexion = c;
    Preparation p = preparer(*c, source.commandText(), enteteSeule);
    s->table = p.table;
    Statement &st = *p.st;
    const int premiere = s->table.isEmpty() ? 0 : 1;
    for (int i = premiere; i < st.columnCount(); ++i)
        s->colonnes.emplace_back(st.columnName(i),
                                 Colonne::genreDeclare(sqlite3_column_decltype(st.handle(), i)));
    if (differer && m_report && !enteteSeule)
        s->preparerDiffere(m_report->champ, m_report->source, m_report->cle, m_report->controle);
    if (!enteteSeule)
        while (st.step())
            s->lireLigne(st, !s->table.isEmpty());
    // A key that names no single row: the field is read whole after all.
    if (s->differe >= 0 && !s->cleDiffereUnique()) {
        p.st.reset();
        openImpl(source, enteteSeule, false);
        return;
    }
    s->ouvert = true;
    s->position = 0;
    d = std::move(s);
    m_sort.clear();
    emit currentChanged();
}

void Recordset::close()
{
    if (!d->ouvert)
        return;
    d = std::make_unique<RecordsetStore>();
    m_sort.clear();
    emit currentChanged();
}

bool Recordset::isOpen() const { return d->ouvert; }

void Recordset::exigerOuvert() const
{
    if (!d->ouvert)
        ErreursAdo::objetFerme();
}

int Recordset::recordCount() const
{
    exigerOuvert();
    return int(d->lignes);
}

bool Recordset::isEof() const
{
    exigerOuvert();
    return !d->ajout && d->position >= int(d->lignes);
}

bool Recordset::isBof() const
{
    exigerOuvert();
    return !d->ajout && (d->position < 0 || d->lignes == 0);
}

int Recordset::absolutePosition() const
{
    exigerOuvert();
    return d->position;
}

void Recordset::allerA(int position)
{
    if (position == d->position)
        return;
    d->position = position;
    emit currentChanged();
}

void Recordset::moveFirst()
{
    exigerOuvert();
    validerEnAttente();
    allerA(0);
}

void Recordset::moveNext()
{
    exigerOuvert();
    if (!d->ajout && d->position >= int(d->lignes))
        ErreursAdo::finDeFichier();
    validerEnAttente();
    allerA(d->position + 1);
}

void Recordset::moveTo(int position)
{
    exigerOuvert();
    if (position < 0 || position > int(d->lignes))
        ErreursAdo::argumentsIncorrects();
    validerEnAttente();
    allerA(position);
}

std::size_t Recordset::memoryUsed() const
{
    std::size_t n = d->rowids.capacity() * sizeof(std::int64_t) + d->ordre.capacity() * sizeof(std::uint32_t);
    for (const Colonne &c : d->colonnes)
        n += c.octetsOccupes();
    return n;
}

int Recordset::fieldCount() const { return int(d->colonnes.size()); }

QString Recordset::fieldName(int ordinal) const
{
    exigerOuvert();
    if (ordinal < 0 || ordinal >= fieldCount())
        ErreursAdo::elementIntrouvable(QString::number(ordinal));
    return d->colonnes[std::size_t(ordinal)].nom();
}

int Recordset::fieldOrdinal(const QString &name) const { return ordinalChamp(d->colonnes, name); }

Value Recordset::field(const QString &name) const
{
    exigerOuvert();
    const int o = fieldOrdinal(name);
    if (o < 0)
        ErreursAdo::elementIntrouvable(name);
    return field(o);
}

Value Recordset::field(int ordinal) const
{
    exigerOuvert();
    if (ordinal < 0 || ordinal >= fieldCount())
        ErreursAdo::elementIntrouvable(QString::number(ordinal));
    if (!d->modifs.empty() && d->modifs[std::size_t(ordinal)])
        return *d->modifs[std::size_t(ordinal)];
    if (d->ajout)
        return {};
    if (!d->courant())
        ErreursAdo::finDeFichier();
    if (ordinal == d->differe)
        return lireDiffere(d->ligneA(d->position));
    return d->colonnes[std::size_t(ordinal)].valeur(d->ligneA(d->position));
}

Value Recordset::valueAt(int position, int ordinal) const
{
    exigerOuvert();
    if (ordinal < 0 || ordinal >= fieldCount())
        ErreursAdo::elementIntrouvable(QString::number(ordinal));
    if (position < 0 || position >= int(d->lignes))
        ErreursAdo::finDeFichier();
    if (ordinal == d->differe)
        return lireDiffere(d->ligneA(position));
    return d->colonnes[std::size_t(ordinal)].valeur(d->ligneA(position));
}

namespace {

// The keys of a Sort text. Throws 3001 for an unknown field or the deferred one.
std::vector<Tri::Cle> lireCles(const QString &sort, const std::vector<Colonne> &colonnes, int differe)
{
    std::vector<Tri::Cle> cles;
    if (sort.trimmed().isEmpty())
        return cles;
    for (const QString &morceau : sort.split(QLatin1Char(','))) {
        const QStringView cle = QStringView(morceau).trimmed();
        if (cle.isEmpty())
            ErreursAdo::argumentsIncorrects();
        // A name that is a field as it stands (blanks and all) wins over a
        // trailing ASC/DESC.
        int o = ordinalChamp(colonnes, sansCrochets(cle));
        bool descendant = false;
        if (o < 0) {
            const qsizetype blanc = cle.lastIndexOf(QLatin1Char(' '));
            const QStringView sens = blanc < 0 ? QStringView() : cle.mid(blanc + 1);
            if (sens.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0
                || sens.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0) {
                descendant = sens.size() == 4;
                o = ordinalChamp(colonnes, sansCrochets(cle.left(blanc).trimmed()));
            }
        }
        if (o < 0 || o == differe)
            ErreursAdo::argumentsIncorrects();
        cles.push_back({o, descendant});
    }
    return cles;
}

} // namespace

void Recordset::setSort(const QString &sort)
{
    exigerOuvert();
    std::vector<Tri::Cle> cles = lireCles(sort, d->colonnes, d->differe);
    validerEnAttente();

    const bool courant = d->courant();
    const std::uint32_t ligne = courant ? d->ligneA(d->position) : 0;
    Memoire::Tableau<std::uint32_t> ordre;
    if (!cles.empty())
        ordre = Tri::permutation(d->colonnes, d->lignes, cles, d->tampons);
    emit orderAboutToChange(); // positions still name the rows of the old order
    if (cles.empty())
        d->ordre.clear();
    else
        d->ordre = std::move(ordre);
    d->cles = std::move(cles);
    m_sort = sort;
    if (courant)
        d->position = d->positionDe(ligne);
    emit orderChanged();
    emit currentChanged();
}

void Recordset::find(const QString &criterion, int skip, SearchDirection dir, FindStart start)
{
    exigerOuvert();
    const Critere critere(criterion, d->colonnes); // an unreadable criterion moves nothing
    if (critere.colonne() == d->differe)
        ErreursAdo::argumentsIncorrects();
    validerEnAttente();

    const int n = int(d->lignes);
    const bool avant = dir != adSearchBackward;
    int depart = start == FromFirst ? (avant ? 0 : n - 1) : d->position;
    depart += avant ? skip : -skip;

    // Where the rows that may match lie, in positions.
    int debut = 0, fin = n;
    if (!d->cles.empty() && d->cles.front().colonne == critere.colonne() && critere.bande()) {
        const Colonne &c = d->colonnes[std::size_t(critere.colonne())];
        const bool desc = d->cles.front().descendant;
        const auto premiere = [&](auto avantBande) {
            int bas = 0, haut = n;
            while (bas < haut) {
                const int milieu = bas + (haut - bas) / 2;
                if (avantBande(critere.positionBande(c, d->ligneA(milieu))))
                    bas = milieu + 1;
                else
                    haut = milieu;
            }
            return bas;
        };
        debut = premiere([desc](int v) { return desc ? v > 0 : v < 0; });
        fin = premiere([desc](int v) { return desc ? v >= 0 : v <= 0; });
    }

    const Colonne &c = d->colonnes[std::size_t(critere.colonne())];
    int trouve = -1;
    if (avant) {
        for (int p = std::max(depart, debut); p < fin; ++p)
            if (critere.satisfait(c, d->ligneA(p))) {
                trouve = p;
                break;
            }
    } else {
        for (int p = std::min(depart, fin - 1); p >= debut; --p)
            if (critere.satisfait(c, d->ligneA(p))) {
                trouve = p;
                break;
            }
    }
    allerA(trouve >= 0 ? trouve : (avant ? n : -1));
}

Recordset::Bookmark Recordset::bookmark() const
{
    exigerOuvert();
    if (!d->courant())
        ErreursAdo::finDeFichier();
    return d->ligneA(d->position);
}

Recordset::Bookmark Recordset::bookmarkAt(int position) const
{
    exigerOuvert();
    if (position < 0 || position >= int(d->lignes))
        ErreursAdo::finDeFichier();
    return d->ligneA(position);
}

std::vector<int> Recordset::positionsOf(const std::vector<Bookmark> &signets) const
{
    exigerOuvert();
    std::vector<int> positions(signets.size(), -1);
    if (d->ordre.empty()) {
        for (std::size_t i = 0; i < signets.size(); ++i)
            positions[i] = signets[i] < d->lignes ? int(signets[i]) : -1;
        return positions;
    }
    // One pass over the order, whatever the number of bookmarks.
    std::vector<std::pair<Bookmark, std::size_t>> cherches;
    for (std::size_t i = 0; i < signets.size(); ++i)
        cherches.emplace_back(signets[i], i);
    std::sort(cherches.begin(), cherches.end());
    std::size_t restants = cherches.size();
    for (std::size_t p = 0; p < d->ordre.size() && restants > 0; ++p) {
        auto i = std::lower_bound(cherches.begin(), cherches.end(), std::pair(d->ordre[p], std::size_t(0)));
        for (; i != cherches.end() && i->first == d->ordre[p]; ++i, --restants)
            positions[i->second] = int(p);
    }
    return positions;
}

void Recordset::setBookmark(Bookmark b)
{
    exigerOuvert();
    if (b >= d->lignes)
        ErreursAdo::argumentsIncorrects();
    validerEnAttente();
    allerA(d->positionDe(b));
}

