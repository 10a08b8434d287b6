#include "TestSupport.h"

#include "maintenance/ChercherSurCleUSB.h"
#include "shared/RuntimeError.h"

#include <QtTest>
#include <sqlite3.h>

namespace TestSupport {

namespace {
// A test never copies from a USB key plugged into the machine that runs it.
struct AucunLecteur : Maintenance::SourceLecteurs
{
    std::vector<Maintenance::Lecteur> lecteurs() override { return {}; }
};
AucunLecteur g_aucunLecteur;
[[maybe_unused]] const bool g_lecteursInstalles = (Maintenance::definirSourceLecteurs(&g_aucunLecteur), true);

QString depuisEnvironnement(const char *variable, const char *relatif)
{
    const QByteArray v = qgetenv(variable);
    if (!v.isEmpty())
        return QString::fromLocal8Bit(v);
    return QStringLiteral(CORVANE_SOURCE_DIR "/") + QLatin1String(relatif);
}

struct Base
{
    sqlite3 *db = nullptr;
    explicit Base(const QString &chemin, bool creer)
    {
        const int flags = SQLITE_OPEN_READWRITE | (creer ? SQLITE_OPEN_CREATE : 0);
        if (sqlite3_open_v2(chemin.toUtf8().constData(), &db, flags, nullptr) != SQLITE_OK)
            qFatal("cannot open %s: %s", qPrintable(chemin), sqlite3_errmsg(db));
        // Fixtures live in temporary folders: no fsync per statement.
        executer(QStringLiteral("PRAGMA synchronous=OFF"));
    }
    ~Base() { sqlite3_close(db); }
    void executer(const QString &sql)
    {
        char *message = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            const QByteArray texte = message ? QByteArray(message) : QByteArray("?");
            sqlite3_free(message);
            qFatal("SQL failed: %s\n%s", texte.constData(), qPrintable(sql));
        }
    }
};
} // namespace

QString schemaVentes() { return depuisEnvironnement("CORVANE_SCHEMA", "schema/corvane.sql"); }
QString schemaMaintenance() { return depuisEnvironnement("CORVANE_SCHEMA_MAINTENANCE", "schema/maintenance.sql"); }

void creerBase(const QString &chemin, const QString &schema, const QString &sqlSupplementaire)
{
    QFile f(schema);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read schema %s", qPrintable(schema));
    Base b(chemin, true);
    b.executer(QString::fromUtf8(f.readAll()));
    if (!sqlSupplementaire.isEmpty())
        b.executer(sqlSupplementaire);
}

void executerSql(const QString &chemin, const QString &sql)
{
    Base b(chemin, false);
    b.executer(sql);
}

QString valeurSql(const QString &chemin, const QString &sql)
{
    Base b(chemin, false);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(b.db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        qFatal("SQL failed: %s\n%s", sqlite3_errmsg(b.db), qPrintable(sql));
    QString resultat;
    if (sqlite3_step(st) == SQLITE_ROW) {
        if (sqlite3_column_type(st, 0) == SQLITE_NULL)
            resultat = QStringLiteral("NULL");
        else
            resultat = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    return resultat;
}

void epinglerFrancais()
{
    const QLocale fr(QLocale::French, QLocale::France);
    QLocale::setDefault(fr);
    Plateforme::definirLocaleSysteme(fr);
}

BoiteMessageTest::BoiteMessageTest() { Plateforme::definirBoiteMessage(this); }
BoiteMessageTest::~BoiteMessageTest() { Plateforme::definirBoiteMessage(nullptr); }
void BoiteMessageTest::afficher(const QString &texte, const QString &titre)
{
    textes << texte;
    titres << titre;
}

Execution executer(const QString &programme, const QStringList &arguments, const QProcessEnvironment &environnement)
{
    QProcess p;
    if (!environnement.isEmpty())
        p.setProcessEnvironment(environnement);
    p.start(programme.contains(QLatin1Char('/')) ? programme : qEnvironmentVariable("CORVANE_BIN") + QLatin1Char('/') + programme,
            arguments);
    Execution e;
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
    } else if (p.exitStatus() == QProcess::NormalExit) {
        e.statut = p.exitCode();
    }
    e.sortie = p.readAllStandardOutput();
    e.erreurs = QString::fromUtf8(p.readAllStandardError());
    return e;
}

int numeroErreur(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

QString erreur(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return QString::number(e.number()) + QLatin1Char(' ') + e.description();
    }
    return {};
}

} // namespace TestSupport
