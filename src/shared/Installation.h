#pragma once

#include <QString>
#include <optional>

// The installed program's first start on its default folder (see
// Plateforme::dossierApplicationParDefaut).
namespace Installation {

// Before the window of the installed program opens on its default folder
// (`dossierNomme` false): creates the folder (when that fails, says so in the
// current message box and returns the exit status 1), and arms the check that
// the start-up makes once it has looked at the USB keys
// (VerifierDossierApresCles). Nothing otherwise (always so from a build tree
// or with --dossier).
std::optional<int> PreparerDossierApplication(bool installe, bool dossierNomme, const QString &dossier);

// Called by the start-up after the USB keys: when PreparerDossierApplication
// armed it and the folder still holds neither velmara.ini nor the default
// database (dacorvane.mdb, names without regard to case), says where to put
// them in the current message box and returns the exit status 1, as for a
// missing database. Nothing when the start-up can go on.
std::optional<int> VerifierDossierApresCles(const QString &dossier);

// The French message of a first start on an empty folder.
QString MessageDossierVide(const QString &dossier);

} // namespace Installation
