#pragma once

#include "journal/JournalErreurs.h"
#include "shared/RuntimeError.h"

#include <QString>
#include <new>

// Error trap of the form "report and end": runs `corps`; a run-time error
// (or a failed allocation, as the original's "out of memory") is handed to
// TraiterErreur with `contexte`. Returns true when `corps` ran to its end.
template <class Corps>
bool avecTrappe(const QString &contexte, Corps &&corps)
{
    try {
        corps();
        return true;
    } catch (const RuntimeError &e) {
        TraiterErreur(contexte, e);
    } catch (const std::bad_alloc &) {
        TraiterErreur(contexte, RuntimeError(7, QStringLiteral("Mémoire insuffisante")));
    }
    return false;
}
