// The deferred field of a record set: a long text read for the current record
// only, by a key that names one row.
#include "database/Recordset.h"

#include "database/Connection.h"
#include "database/RecordsetStore.h"
#include "database/Statement.h"

#include <QStringList>

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

// `sql`, the read of one row by its key, when an index reaches the row
// directly; "" when only a scan would find it.
QString sansBalayage(Connection &c, const QString &sql)
{
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

void RecordsetStore::preparerDiffere(const QString &champ, const QString &source, const QString &cleDonnee,
                                     const QString &controle)
{
    const QString cle = cleDonnee.isEmpty() ? clePrimaire(*connexion, source) : cleDonnee;
    differe = ordinalChamp(colonnes, champ);
    cleDiffere = cle.isEmpty() ? -1 : ordinalChamp(colonnes, cle);
    controleDiffere = ordinalChamp(colonnes, controle);
    if (differe >= 0 && cleDiffere >= 0 && controleDiffere >= 0 && differe != cleDiffere
        && differe != controleDiffere)
        lectureDifferee = sansBalayage(*connexion, QStringLiteral("SELECT ") + identifiant(champ)
                                                       + QStringLiteral(", ") + identifiant(controle)
                                                       + QStringLiteral(" FROM ") + identifiant(source)
                                                       + QStringLiteral(" WHERE ") + identifiant(cle)
                                                       + QStringLiteral(" = ?1"));
    if (lectureDifferee.isEmpty())
        differe = -1;
    else
        colonnes[std::size_t(differe)].marquerDifferee();
}

bool RecordsetStore::cleDiffereUnique() const
{
    return clesUniques(colonnes[std::size_t(cleDiffere)], lignes);
}

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
