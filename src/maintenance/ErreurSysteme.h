#pragma once

#include "shared/RuntimeError.h"

#include <QString>

// A failed system call as a run-time error: the original platform's number for
// the same failure (53 file not found, 70 permission denied, 61 disk full...)
// and a French description followed by what was being done, e.g.
// "Permission refusée (suppression de « /kiosque/NEWK7.MDB »)".
RuntimeError erreurSysteme(int numeroErrno, const QString &operation);

// « chemin » as the descriptions quote a file.
QString guillemets(const QString &chemin);
