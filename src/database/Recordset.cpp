#include "database/Recordset.h"

#include "database/Colonne.h"
#include "database/Command.h"
#include "database/Connection.h"
#include "database/Critere.h"
#include "database/ErreursAdo.h"
#include "database/Statement.h"
#include "database/Tri.h"

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

QString identifiant(const QString &nom)
{
    QString n = nom;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

} // namespace

struct Recordset::Store
{
    Connection *connexion = nullptr;
    bool ouvert = false;
    QString table;                         // set when rows can be written back
    std::vector<std::int64_t> rowids;      // by row, for write-back
    std::vector<Colonne> colonnes;
    std::size_t lignes = 0;
    Memoire::Tableau<std::uint32_t> ordre; // position -> row; empty: the order read
    std::vector<Tri::Cle> cles;
    Tri::Tampons tampons;
    int position = 0;                      // -1 before the first, lignes at end of file
    bool ajout = false;
    std::vector<std::optional<Value>> modifs; // pending values, by ordinal
    int differe = -1, cleDiffere = -1, controleDiffere = -1; // ordinals of the deferred read
    QString lectureDifferee;               // its SQL, the key as ?1

    std::uint32_t ligneA(int p) const { return ordre.empty() ? std::uint32_t(p) : ordre[std::size_t(p)]; }
    bool courant() const { return position >= 0 && std::size_t(position) < lignes; }
    bool enAttente() const
    {
        return std::any_of(modifs.begin(), modifs.end(), [](const auto &m) { return m.has_value(); });
    }
    int positionDe(std::uint32_t ligne) const
    {
        if (ordre.empty())
            return int(ligne);
        return int(std::find(ordre.begin(), ordre.end(), ligne) - ordre.begin());
    }
    void lireLigne(Statement &st, bool avecRowid)
    {
        const int decalage = avecRowid ? 1 : 0;
        if (avecRowid)
            rowids.push_back(st.integer(0));
        for (std::size_t i = 0; i < colonnes.size(); ++i)
            if (!colonnes[i].differee())
                colonnes[i].ajouter(st.handle(), int(i) + decalage);
        ++lignes;
    }
};

Recordset::Recordset(QObject *parent) : QObject(parent), d(std::make_unique<Store>()) {}

namespace {

// A key field deferred reads may rely on: every value a whole number, no two
// alike. A key read in its own order (the usual case) is checked in one pass.
bool clesUniques(const Colonne &c, std::size_t n)
{
    if (n == 0)
        return true;
    if (c.typesPresents() != 1u << unsigned(Value::Type::Integer))
        return false;
    bool croissant = true, decroissant = true;
    for (std::size_t i = 1; i < n && (croissant || decroissant); ++i) {
        croissant = croissant && c.brut(i - 1) < c.brut(i);
        decroissant = decroissant && c.brut(i - 1) > c.brut(i);
    }
    if (croissant || decroissant)
        return true;
    std::vector<std::int64_t> cles(n);
    for (std::size_t i = 0; i < n; ++i)
        cles[i] = c.brut(i);
    std::sort(cles.begin(), cles.end());
    return std::adjacent_find(cles.begin(), cles.end()) == cles.end();
}

// The primary key of table `source` when it is one field, else "".
QString clePrimaire(Connection &c, const QString &source)
{
    Statement st(c, QStringLiteral("SELECT name FROM pragma_table_info(?1) WHERE pk > 0"));
    st.bind(1, Value(source));
    QStringList noms;
    while (st.step())
        noms << st.text(0);
    return noms.size() == 1 ? noms.constFirst() : QString();
}

// The read of one row by its key, when an index reaches the row directly;
// "" when only a scan would find it.
QString lectureParCle(Connection &c, const QString &champ, const QString &source, const QString &cle,
                      const QString &controle)
{
    const QString sql = QStringLiteral("SELECT ") + identifiant(champ) + QStringLiteral(", ") + identifiant(controle)
                        + QStringLiteral(" FROM ") + identifiant(source) + QStringLiteral(" WHERE ")
                        + identifiant(cle) + QStringLiteral(" = ?1");
    Statement plan(c, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    bool lignes = false;
    while (plan.step()) {
        lignes = true;
        if (plan.text(3).startsWith(QLatin1String("SCAN")))
            return {};
    }
    return lignes ? sql : QString();
}

} // namespace

void Recordset::setDeferredField(const QString &champ, const QString &source, const QString &cle,
                                 const QString &controle)
{
    m_report = Report{champ, source, cle, controle};
}

bool Recordset::isDeferred(int ordinal) const
{
    return ordinal >= 0 && ordinal < fieldCount() && d->colonnes[std::size_t(ordinal)].differee();
}

Value Recordset::lireDiffere(std::uint32_t ligne) const noexcept
{
    try {
        Connection &c = *d->connexion;
        if (!c.isOpen())
            return {};
        // A writer holding the file delays the window a few milliseconds at most.
        const DelaiVerrou court(c, 5);
        Statement st(c, d->lectureDifferee);
        st.bind(1, d->colonnes[std::size_t(d->cleDiffere)].valeur(ligne));
        if (!st.step())
            return {};
        const Colonne &controle = d->colonnes[std::size_t(d->controleDiffere)];
        Colonne lu(QString(), controle.genre());
        lu.ajouter(st.handle(), 1);
        if (!(lu.valeur(0) == controle.valeur(ligne)))
            return {};
        Colonne champ(QString(), d->colonnes[std::size_t(d->differe)].genre());
        champ.ajouter(st.handle(), 0);
        return champ.valeur(0);
    } catch (...) {
        return {};
    }
}

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
        const QString depuis = QStringLiteral(" FROM ") + identifiant(p.table.isEmpty() ? *nom : p.table)
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

    auto s = std::make_unique<Store>();
    s->connexion = c;
    Preparation p = preparer(*c, source.commandText(), enteteSeule);
    s->table = p.table;
    Statement &st = *p.st;
    const int premiere = s->table.isEmpty() ? 0 : 1;
    for (int i = premiere; i < st.columnCount(); ++i)
        s->colonnes.emplace_back(st.columnName(i),
                                 Colonne::genreDeclare(sqlite3_column_decltype(st.handle(), i)));
    if (differer && m_report && !enteteSeule) {
        const Report &r = *m_report;
        const QString cle = r.cle.isEmpty() ? clePrimaire(*c, r.source) : r.cle;
        s->differe = ordinalChamp(s->colonnes, r.champ);
        s->cleDiffere = cle.isEmpty() ? -1 : ordinalChamp(s->colonnes, cle);
        s->controleDiffere = ordinalChamp(s->colonnes, r.controle);
        if (s->differe >= 0 && s->cleDiffere >= 0 && s->controleDiffere >= 0 && s->differe != s->cleDiffere
            && s->differe != s->controleDiffere)
            s->lectureDifferee = lectureParCle(*c, r.champ, r.source, cle, r.controle);
        if (s->lectureDifferee.isEmpty())
            s->differe = -1;
        else
            s->colonnes[std::size_t(s->differe)].marquerDifferee();
    }
    if (!enteteSeule)
        while (st.step())
            s->lireLigne(st, !s->table.isEmpty());
    // A key that names no single row: the field is read whole after all.
    if (s->differe >= 0 && !clesUniques(s->colonnes[std::size_t(s->cleDiffere)], s->lignes)) {
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
    d = std::make_unique<Store>();
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

void Recordset::setSort(const QString &sort)
{
    exigerOuvert();
    std::vector<Tri::Cle> cles;
    if (!sort.trimmed().isEmpty()) {
        for (const QString &morceau : sort.split(QLatin1Char(','))) {
            const QStringView cle = QStringView(morceau).trimmed();
            if (cle.isEmpty())
                ErreursAdo::argumentsIncorrects();
            // A name that is a field as it stands (blanks and all) wins over a
            // trailing ASC/DESC.
            int o = ordinalChamp(d->colonnes, sansCrochets(cle));
            bool descendant = false;
            if (o < 0) {
                const qsizetype blanc = cle.lastIndexOf(QLatin1Char(' '));
                const QStringView sens = blanc < 0 ? QStringView() : cle.mid(blanc + 1);
                if (sens.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0
                    || sens.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0) {
                    descendant = sens.size() == 4;
                    o = ordinalChamp(d->colonnes, sansCrochets(cle.left(blanc).trimmed()));
                }
            }
            if (o < 0 || o == d->differe)
                ErreursAdo::argumentsIncorrects();
            cles.push_back({o, descendant});
        }
    }
    validerEnAttente();

    const bool courant = d->courant();
    const std::uint32_t ligne = courant ? d->ligneA(d->position) : 0;
    if (cles.empty())
        d->ordre.clear();
    else
        d->ordre = Tri::permutation(d->colonnes, d->lignes, cles, d->tampons);
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

void Recordset::setBookmark(Bookmark b)
{
    exigerOuvert();
    if (b >= d->lignes)
        ErreursAdo::argumentsIncorrects();
    validerEnAttente();
    allerA(d->positionDe(b));
}

void Recordset::addNew()
{
    exigerOuvert();
    if (d->table.isEmpty())
        ErreursAdo::nonModifiable();
    validerEnAttente();
    d->ajout = true;
    d->modifs.assign(d->colonnes.size(), std::nullopt);
}

void Recordset::setField(const QString &name, const Value &v)
{
    exigerOuvert();
    const int o = fieldOrdinal(name);
    if (o < 0)
        ErreursAdo::elementIntrouvable(name);
    if (!d->ajout && !d->courant())
        ErreursAdo::finDeFichier();
    // The value takes the field's type now, as the original's assignment did.
    Value converti = v;
    if (!v.isNull()) {
        switch (d->colonnes[std::size_t(o)].genre()) {
        case Colonne::Genre::Date: converti = Value(v.toDateTime()); break;
        case Colonne::Genre::Monnaie: converti = Value(v.toCurrency()); break;
        case Colonne::Genre::Libre: break;
        }
    }
    if (d->modifs.empty())
        d->modifs.assign(d->colonnes.size(), std::nullopt);
    d->modifs[std::size_t(o)] = std::move(converti);
}

void Recordset::cancelUpdate()
{
    d->ajout = false;
    d->modifs.clear();
}

void Recordset::validerEnAttente()
{
    if (d->ajout || d->enAttente())
        update();
}

void Recordset::update()
{
    exigerOuvert();
    if (d->ajout) {
        inserer();
        return;
    }
    if (!d->courant())
        ErreursAdo::finDeFichier();
    if (!d->enAttente())
        return;
    if (d->table.isEmpty())
        ErreursAdo::nonModifiable();

    Connection &c = *d->connexion;
    const std::uint32_t ligne = d->ligneA(d->position);
    QStringList affectations;
    for (std::size_t i = 0; i < d->modifs.size(); ++i)
        if (d->modifs[i])
            affectations << identifiant(d->colonnes[i].nom()) + QStringLiteral(" = ?");
    {
        Transaction t(c);
        Statement st(c, QStringLiteral("UPDATE ") + identifiant(d->table) + QStringLiteral(" SET ")
                            + affectations.join(QStringLiteral(", ")) + QStringLiteral(" WHERE rowid = ?"));
        int index = 1;
        for (const auto &m : d->modifs)
            if (m)
                st.bind(index++, *m);
        st.bind(index, Value(d->rowids[ligne]));
        st.step();
        if (sqlite3_changes(c.handle()) != 1)
            ErreursAdo::ligneIntrouvable();
        t.commit();
    }
    d->modifs.clear();
    // The row as the table now holds it (types as stored).
    Statement lecture(c, QStringLiteral("SELECT rowid, * FROM ") + identifiant(d->table)
                             + QStringLiteral(" WHERE rowid = ?"));
    lecture.bind(1, Value(d->rowids[ligne]));
    if (lecture.step())
        for (std::size_t i = 0; i < d->colonnes.size(); ++i)
            if (!d->colonnes[i].differee())
                d->colonnes[i].remplacer(ligne, lecture.handle(), int(i) + 1);
    emit currentChanged();
}

void Recordset::inserer()
{
    Connection &c = *d->connexion;
    QStringList noms, marques;
    for (std::size_t i = 0; i < d->modifs.size(); ++i)
        if (d->modifs[i]) {
            noms << identifiant(d->colonnes[i].nom());
            marques << QStringLiteral("?");
        }
    std::int64_t rowid = 0;
    {
        Transaction t(c);
        Statement st(c, QStringLiteral("INSERT INTO ") + identifiant(d->table)
                            + (noms.isEmpty() ? QStringLiteral(" DEFAULT VALUES")
                                              : QStringLiteral(" (") + noms.join(QStringLiteral(", "))
                                                    + QStringLiteral(") VALUES (") + marques.join(QStringLiteral(", "))
                                                    + QLatin1Char(')')));
        int index = 1;
        for (const auto &m : d->modifs)
            if (m)
                st.bind(index++, *m);
        st.step();
        rowid = sqlite3_last_insert_rowid(c.handle());
        t.commit();
    }
    d->ajout = false;
    d->modifs.clear();

    Statement lecture(c, QStringLiteral("SELECT rowid, * FROM ") + identifiant(d->table)
                             + QStringLiteral(" WHERE rowid = ?"));
    lecture.bind(1, Value(rowid));
    if (!lecture.step())
        ErreursAdo::ligneIntrouvable();
    const std::uint32_t ligne = std::uint32_t(d->lignes);
    d->lireLigne(lecture, true);
    if (!d->ordre.empty())
        d->ordre.push_back(ligne);
    d->position = int(ligne);
    emit rowsAppended(int(ligne), int(ligne));
    emit currentChanged();
}
