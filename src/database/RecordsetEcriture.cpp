// Writing through a record set: AddNew, field values, Update, each inside a
// transaction on the table the set was opened on.
#include "database/Recordset.h"

#include "database/Connection.h"
#include "database/ErreursAdo.h"
#include "database/RecordsetStore.h"
#include "database/Statement.h"

#include <QStringList>
#include <sqlite3.h>

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
            affectations << RecordsetStore::identifiant(d->colonnes[i].nom()) + QStringLiteral(" = ?");
    {
        Transaction t(c);
        Statement st(c, QStringLiteral("UPDATE ") + RecordsetStore::identifiant(d->table) + QStringLiteral(" SET ")
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
    Statement lecture(c, QStringLiteral("SELECT rowid, * FROM ") + RecordsetStore::identifiant(d->table)
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
            noms << RecordsetStore::identifiant(d->colonnes[i].nom());
            marques << QStringLiteral("?");
        }
    std::int64_t rowid = 0;
    {
        Transaction t(c);
        Statement st(c, QStringLiteral("INSERT INTO ") + RecordsetStore::identifiant(d->table)
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

    Statement lecture(c, QStringLiteral("SELECT rowid, * FROM ") + RecordsetStore::identifiant(d->table)
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
