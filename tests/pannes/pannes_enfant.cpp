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
// Each message box, the result and an unhandled error are written to standard
// output, one JSON object a line.
#include "BasesTest.h"
#include "FrmGestion/FrmGestion.h"
#include "maintenance/ChercherSurCleUSB.h"
#include "maintenance/ReparerDatabase.h"
#include "shared/Plateforme.h"
#include "shared/RuntimeError.h"

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

class BoiteSortie : public Plateforme::BoiteMessage
{
public:
    void afficher(const QString &texte, const QString &titre) override
    {
        ecrire({{QStringLiteral("boite"), titre}, {QStringLiteral("texte"), texte}});
    }
};

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
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QString racineCle;
    bool sansDroits = false;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--taille-max") && !args.isEmpty()) {
            // Writes beyond the limit fail with EFBIG, as on a full disk.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlim_t taille = args.takeFirst().toULongLong();
            const rlimit limite{taille, taille};
            if (::setrlimit(RLIMIT_FSIZE, &limite) != 0)
                return 3;
        } else if (option == QLatin1String("--sans-droits")) {
            sansDroits = true;
        } else if (option == QLatin1String("--cle") && !args.isEmpty()) {
            racineCle = args.takeFirst();
        } else {
            return 2;
        }
    }
    if (args.size() != 2)
        return 2;
    const QString action = args.at(0), dossier = args.at(1);
    if (sansDroits && !quitterDroits()) {
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
    const QLocale fr(QLocale::French, QLocale::France);
    QLocale::setDefault(fr);
    Plateforme::definirLocaleSysteme(fr);
    Plateforme::definirCheminApplication(dossier);
    BoiteSortie boite;
    Plateforme::definirBoiteMessage(&boite);
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
    Plateforme::definirBoiteMessage(nullptr);
    return 0;
}
