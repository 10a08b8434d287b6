// One start-up step of the program run in a process of its own, so that the
// fault tests can take away what a process has: its right to write (a
// read-only folder, even when the tests run as the superuser), its room on the
// disk (a file-size limit: writes fail with EFBIG), or hold the folder against it.
//
//   pannes_enfant [--taille-max OCTETS] [--sans-droits] [--cle RACINE] ACTION DOSSIER
//     reparer     the compaction of DOSSIER/dacorvane.mdb
//     cle         the copy from the removable drive RACINE
//     demarrage   the window's start-up (Form_Load), then its shut-down
//     tenir       the window's start-up, then holds the folder until standard input closes
//     sqlite3     the sqlite3 shell on the file DOSSIER (after dropping the rights)
//
// The result, then each message box, are written to standard output, one JSON
// object a line.
#include "BasesTest.h"
#include "TestSupport.h"
#include "FrmGestion/FrmGestion.h"
#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/ReparerDatabase.h"
#include "shared/Plateforme.h"

#include <QtWidgets>
#include <cstdio>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

void ecrire(const QJsonObject &objet)
{
    std::fputs(QJsonDocument(objet).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The superuser ignores permissions: the step runs as "nobody" instead.
bool quitterDroits()
{
    if (::geteuid() != 0)
        return true;
    const gid_t personne = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(personne) == 0 && ::setuid(personne) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser options;
    options.addOptions({{QStringLiteral("taille-max"), {}, QStringLiteral("octets")}, {QStringLiteral("sans-droits"), {}},
                        {QStringLiteral("cle"), {}, QStringLiteral("racine")}});
    if (!options.parse(args) || options.positionalArguments().size() != 2)
        return 2;
    if (options.isSet(QStringLiteral("taille-max"))) {
        // Writes beyond the limit fail with EFBIG, as on a full disk.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlim_t taille = options.value(QStringLiteral("taille-max")).toULongLong();
        const rlimit limite{taille, taille};
        if (::setrlimit(RLIMIT_FSIZE, &limite) != 0)
            return 3;
    }
    const QString action = options.positionalArguments().at(0), dossier = options.positionalArguments().at(1);
    const QString racineCle = options.value(QStringLiteral("cle"));
    if (options.isSet(QStringLiteral("sans-droits")) && !quitterDroits()) {
        std::perror("setuid");
        return 3;
    }
    if (action == QLatin1String("sqlite3")) {
        const QByteArray fichier = QFile::encodeName(dossier);
        // Interactive: each answer is flushed with the next prompt.
        ::execlp("sqlite3", "sqlite3", "-interactive", fichier.constData(), static_cast<char *>(nullptr));
        std::perror("sqlite3");
        return 3;
    }

    QApplication application(argc, argv);
    TestSupport::epinglerFrancais();
    Plateforme::definirCheminApplication(dossier);
    TestSupport::BoiteMessageTest boite;
    BasesTest::LecteursFictifs cle;
    if (!racineCle.isEmpty())
        cle.liste.push_back({racineCle, true, false});
    Maintenance::definirSourceLecteurs(&cle);

    if (action == QLatin1String("reparer")) {
        ecrire({{QStringLiteral("debut"), true}});   // the crash test kills it from here on
        Maintenance::ReparerDatabase(dossier + QStringLiteral("/dacorvane.mdb"));
    } else if (action == QLatin1String("cle")) {
        ecrire({{QStringLiteral("copie"), Maintenance::ChercherSurCleUSB()}});
    } else if (action == QLatin1String("demarrage") || action == QLatin1String("tenir")) {
        FrmGestion fenetre;
        fenetre.Form_Load();
        ecrire({{QStringLiteral("ventes"), fenetre.RsVentes.recordCount()}});
        while (action == QLatin1String("tenir") && std::fgetc(stdin) != EOF) {
        }
        fenetre.Form_Unload();
    } else {
        return 2;
    }
    for (qsizetype i = 0; i < boite.textes.size(); ++i)
        ecrire({{QStringLiteral("boite"), boite.titres.at(i)}, {QStringLiteral("texte"), boite.textes.at(i)}});
    return 0;
}
