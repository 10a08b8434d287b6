#include "shared/Installation.h"

#include "shared/Configuration.h"
#include "shared/Plateforme.h"

#include <QDir>

namespace Installation {

namespace {
bool g_verifierApresCles = false;
}

QString MessageDossierVide(const QString &dossier)
{
    return QStringLiteral(
               "Le dossier de Corvane ne contient ni configuration ni base de données :\n"
               "%1\n\n"
               "Copiez-y le fichier velmara.ini et la base de données de l'automate "
               "(le fichier .mdb que velmara.ini nomme, DACORVANE.mdb par défaut, "
               "par exemple depuis la clé USB de l'automate), puis relancez Corvane.\n\n"
               "Pour ouvrir un autre dossier : corvane --dossier <dossier>")
        .arg(QDir::toNativeSeparators(dossier));
}

std::optional<int> PreparerDossierApplication(bool installe, bool dossierNomme, const QString &dossier)
{
    g_verifierApresCles = installe && !dossierNomme;
    if (!g_verifierApresCles)
        return std::nullopt;
    if (!QDir().mkpath(dossier)) {
        Plateforme::boiteMessage().afficher(
            QStringLiteral("Impossible de créer le dossier de Corvane :\n%1\n\n"
                           "Vérifiez les droits sur ce dossier, ou lancez Corvane avec --dossier <dossier>.")
                .arg(QDir::toNativeSeparators(dossier)),
            Plateforme::titreApplication());
        return 1;
    }
    // An empty folder may still be filled from a USB key by the start-up.
    return std::nullopt;
}

std::optional<int> VerifierDossierApresCles(const QString &dossier)
{
    if (!g_verifierApresCles || FichierExiste(dossier, QStringLiteral("velmara.ini"))
        || FichierExiste(dossier, QStringLiteral("dacorvane.mdb")))
        return std::nullopt;
    Plateforme::boiteMessage().afficher(MessageDossierVide(dossier), Plateforme::titreApplication());
    return 1;
}

} // namespace Installation
