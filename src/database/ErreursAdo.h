#pragma once

#include "shared/RuntimeError.h"

// The record set's run-time errors, with the original platform's numbers and
// French descriptions.
namespace ErreursAdo {

[[noreturn]] inline void argumentsIncorrects()
{
    throw RuntimeError(Erreurs::ArgumentsIncorrects,
                       QStringLiteral("Les arguments sont de type incorrect, en dehors des limites autorisées "
                                      "ou en conflit."));
}

[[noreturn]] inline void elementIntrouvable(const QString &nom)
{
    throw RuntimeError(Erreurs::ElementIntrouvable,
                       QStringLiteral("Élément introuvable dans la collection correspondant au nom ou à la "
                                      "référence ordinale demandés (%1).")
                           .arg(nom));
}

[[noreturn]] inline void finDeFichier()
{
    throw RuntimeError(Erreurs::FinDeFichier,
                       QStringLiteral("BOF ou EOF est égal à True, ou l'enregistrement actuel a été supprimé. "
                                      "L'opération demandée nécessite un enregistrement actuel."));
}

[[noreturn]] inline void objetFerme()
{
    throw RuntimeError(Erreurs::OperationObjetFerme,
                       QStringLiteral("L'opération n'est pas autorisée si l'objet est fermé."));
}

// 3251: the set cannot be written back (a query rather than a table).
[[noreturn]] inline void nonModifiable()
{
    throw RuntimeError(3251, QStringLiteral("L'opération demandée n'est pas prise en charge : ce jeu "
                                            "d'enregistrements n'est pas modifiable."));
}

// 0x80040E38: the row to write back is no longer in the table.
[[noreturn]] inline void ligneIntrouvable()
{
    throw RuntimeError(-2147217864, QStringLiteral("La ligne à mettre à jour est introuvable : elle a été "
                                                   "supprimée ou modifiée par un autre programme."));
}

} // namespace ErreursAdo
