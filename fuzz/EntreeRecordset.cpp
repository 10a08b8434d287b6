// Find criteria and Sort texts on a small real database.
#include "EntreesNoyau.h"

#include "database/Command.h"
#include "database/Connection.h"
#include "database/Recordset.h"
#include "shared/RuntimeError.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <array>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <vector>

namespace fuzz {

namespace {

constexpr int CriteresMax = 4;

struct FermerBase { void operator()(sqlite3 *db) const { sqlite3_close(db); } };

QString lireFichier(const QString &chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        faute("cannot read", chemin);
    return QString::fromUtf8(f.readAll());
}

// Two sets on each object: one sorted as the input says, one left in the
// order read, whose plain scan tells which rows meet a criterion.
struct Jeux
{
    Recordset trie, naturel;
};

struct Base
{
    QTemporaryDir dossier;
    Connection connexion;
    std::array<QString, 4> noms{QStringLiteral("ReqVentes"), QStringLiteral("Telecollectes"),
                                QStringLiteral("Parametres"), QStringLiteral("Melange")};
    std::array<Jeux, 4> jeux;

    Base()
    {
        const QString chemin = dossier.filePath(QStringLiteral("dacorvane.mdb"));
        {
            sqlite3 *b = nullptr;
            sqlite3_open(QFile::encodeName(chemin).constData(), &b);
            const std::unique_ptr<sqlite3, FermerBase> db(b);
            QString schema = qEnvironmentVariable("CORVANE_SCHEMA");
            if (schema.isEmpty())
                schema = QStringLiteral(CORVANE_SCHEMA_FICHIER);
            const QByteArray sql = (lireFichier(schema) + lireFichier(QStringLiteral(CORVANE_BASE_FUZZ))).toUtf8();
            char *message = nullptr;
            if (sqlite3_exec(db.get(), sql.constData(), nullptr, nullptr, &message) != SQLITE_OK)
                faute("cannot build the database", QString::fromUtf8(message));
        }
        connexion.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + chemin);
        for (std::size_t i = 0; i < jeux.size(); ++i) {
            Command c;
            c.setActiveConnection(&connexion);
            c.setCommandText(noms[i]);
            jeux[i].trie.open(c);
            jeux[i].naturel.open(c);
        }
    }
};

Base &base()
{
    static Base b;
    return b;
}

// Runs `f`; true when it threw a RuntimeError (the expected refusal).
template <typename F>
bool refuse(F &&f)
{
    try {
        f();
        return false;
    } catch (const RuntimeError &) {
        return true;
    }
}

// Which rows meet the criterion, by a plain scan of the set in the order read.
std::optional<std::vector<bool>> lignesSatisfaisantes(Recordset &rs, const QString &critere)
{
    const int n = rs.recordCount();
    std::vector<bool> m(std::size_t(n), false);
    rs.moveFirst();
    for (;;) {
        if (refuse([&] { rs.find(critere, 0, Recordset::adSearchForward, Recordset::FromCurrent); }))
            return std::nullopt;
        if (rs.isEof())
            return m;
        m[rs.bookmark()] = true;
        rs.moveNext();
    }
}

// Every Find from several starts, directions and skips lands where a plain
// scan of the sorted order says.
void verifierRecherches(Recordset &rs, const std::vector<std::uint32_t> &ligneA, const std::vector<bool> &m,
                        const QString &critere)
{
    const int n = int(ligneA.size());
    const auto satisfait = [&](int p) { return m[ligneA[std::size_t(p)]]; };
    for (const auto dir : {Recordset::adSearchForward, Recordset::adSearchBackward})
        for (const auto depuis : {Recordset::FromCurrent, Recordset::FromFirst})
            for (const int saut : {0, 1})
                for (const int position : {0, n / 2, n, -2}) {
                    if (position != -2)
                        rs.moveTo(position);          // -2: from where the last Find left it
                    const int courant = rs.absolutePosition();
                    rs.find(critere, saut, dir, depuis);
                    const bool avant = dir == Recordset::adSearchForward;
                    int p = depuis == Recordset::FromFirst ? (avant ? 0 : n - 1) : courant;
                    p += avant ? saut : -saut;
                    int attendu;
                    if (avant) {
                        p = std::max(p, 0);
                        while (p < n && !satisfait(p))
                            ++p;
                        attendu = std::min(p, n);
                    } else {
                        p = std::min(p, n - 1);
                        while (p >= 0 && !satisfait(p))
                            --p;
                        attendu = std::max(p, -1);
                    }
                    if (rs.absolutePosition() != attendu)
                        faute("Find landed elsewhere than a plain scan",
                              QStringLiteral("%1 [%2] dir %3 from %4 skip %5 at %6: %7, expected %8")
                                  .arg(critere, rs.sort())
                                  .arg(int(dir)).arg(int(depuis)).arg(saut).arg(courant)
                                  .arg(rs.absolutePosition()).arg(attendu));
                }
}

// Walks the set, reads every field, and goes back to each row by its bookmark.
void parcourir(Recordset &rs)
{
    const int n = rs.recordCount();
    rs.moveFirst();
    for (int p = 0; p < n; ++p) {
        for (int i = 0; i < rs.fieldCount(); ++i)
            if (rs.field(i) != rs.valueAt(p, i))
                faute("field and valueAt differ", rs.fieldName(i));
        (void)rs.field(0).toString();
        rs.moveNext();
    }
    if (!rs.isEof() || !refuse([&] { rs.moveNext(); }))
        faute("moved past the end", rs.sort());
}

} // namespace

int recordset(const std::uint8_t *d, std::size_t n)
{
    preparer();
    Base &b = base();
    QStringList lignes = QString::fromUtf8(reinterpret_cast<const char *>(d), qsizetype(n)).split(QLatin1Char('\n'));
    std::size_t jeu = 0;
    if (lignes.constFirst().startsWith(QLatin1Char('@'))) {
        const QString nom = lignes.takeFirst().mid(1).trimmed();
        for (std::size_t i = 0; i < b.noms.size(); ++i)
            if (nom.compare(b.noms[i], Qt::CaseInsensitive) == 0)
                jeu = i;
    }
    Recordset &trie = b.jeux[jeu].trie;
    Recordset &naturel = b.jeux[jeu].naturel;
    const QString tri = lignes.isEmpty() ? QString() : lignes.takeFirst();

    trie.setSort(QString());
    const int avant = trie.absolutePosition();
    if (refuse([&] { trie.setSort(tri); }) && (trie.absolutePosition() != avant || !trie.sort().isEmpty()))
        faute("a refused sort changed the set", tri);

    // The rows in the sorted order: a permutation of the rows read.
    const int total = trie.recordCount();
    std::vector<std::uint32_t> ligneA;
    std::vector<bool> vue(std::size_t(total), false);
    for (int p = 0; p < total; ++p) {
        trie.moveTo(p);
        const std::uint32_t l = trie.bookmark();
        if (l >= std::uint32_t(total) || vue[l])
            faute("sort order is no permutation of the rows", tri);
        vue[l] = true;
        ligneA.push_back(l);
        trie.moveTo(0);
        trie.setBookmark(l);
        if (trie.absolutePosition() != p)
            faute("bookmark does not lead back", tri);
    }

    for (int i = 0; i < std::min<int>(int(lignes.size()), CriteresMax); ++i) {
        const QString &critere = lignes[i];
        const std::optional<std::vector<bool>> m = lignesSatisfaisantes(naturel, critere);
        trie.moveTo(total / 2);
        const bool refusee = refuse([&] { trie.find(critere); });
        if (refusee != !m)
            faute("a criterion read in one order and refused in the other", critere);
        if (refusee) {
            if (trie.absolutePosition() != total / 2)
                faute("a refused criterion moved the set", critere);
            continue;
        }
        verifierRecherches(trie, ligneA, *m, critere);
    }
    parcourir(trie);
    return 0;
}

} // namespace fuzz
