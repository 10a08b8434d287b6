#include "maintenance/ErreurSysteme.h"

#include <cerrno>

namespace {
constexpr int FichierDejaExistant = 58;
constexpr int DisqueNonPret = 71;

struct Correspondance
{
    int numero;
    const char *texte;
};

Correspondance correspondance(int numeroErrno)
{
    switch (numeroErrno) {
    case ENOENT:
        return {Erreurs::FichierIntrouvable, "Fichier introuvable"};
    case ENOTDIR:
        return {Erreurs::CheminIntrouvable, "Chemin d'accès introuvable"};
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
        return {Erreurs::PermissionRefusee, "Permission refusée"};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return {Erreurs::DisqueSature, "Disque plein"};
    case EIO:
        return {Erreurs::EntreeSortie, "Erreur d'entrée/sortie"};
    case EEXIST:
    case ENOTEMPTY:
        return {FichierDejaExistant, "Fichier déjà existant"};
    case ENOMEDIUM:
    case ENXIO:
    case ENODEV:
        return {DisqueNonPret, "Disque non prêt"};
    default:
        return {Erreurs::AccesChemin, "Erreur d'accès au chemin/fichier"};
    }
}
} // namespace

QString guillemets(const QString &chemin)
{
    return QStringLiteral("« ") + chemin + QStringLiteral(" »");
}

RuntimeError erreurSysteme(int numeroErrno, const QString &operation)
{
    const Correspondance c = correspondance(numeroErrno);
    return RuntimeError(c.numero, QString::fromUtf8(c.texte) + QStringLiteral(" (") + operation
                                      + QLatin1Char(')'));
}
