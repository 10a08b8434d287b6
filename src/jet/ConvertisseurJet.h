#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Corvane's side of the conversion of legacy Jet 3 / Jet 4 (.mdb) files into
// its native format. The file is read by the converter program corvane-jet,
// run as a child process under limits: a damaged file can only end that
// process, never Corvane.
namespace Jet {

// Jet's number for a database it cannot open or that is damaged.
constexpr int ConversionImpossible = 3049;
// The platform's "file already exists".
constexpr int FichierExistant = 58;

// True when the file's header says Jet 3 or Jet 4 (any error: false).
bool EstBaseJet(const QString &chemin);

struct LimitesConversion
{
    qint64 memoireOctets = qint64(1) << 30;   // the converter's address space
    int secondesProcesseur = 600;
    int delaiMillisecondes = 900000;           // then the converter is killed
};

struct ResultatConversion
{
    int tables = 0;
    qint64 lignes = 0;
    int requetesConverties = 0;
    int requetesIgnorees = 0;
    QStringList avertissements;   // French, one per skipped query or index
};

// Converts the Jet file `source` into the new native database `destination`
// (which must not exist): the converter writes a file beside it, which takes
// the name `destination` only once complete and on the disk. `progression`
// receives the French progress lines (one per table, then the summary) as
// they come; `avancement` the fraction done, 0 to 1 (rows written against
// rows announced). Throws RuntimeError: 53 when the source or the converter is
// missing, 58 when the destination exists, ConversionImpossible (with the
// reason: unreadable table, crash, limit, time-out...) when the conversion
// failed; then nothing is left at `destination` nor beside it.
ResultatConversion ConvertirBaseJet(const QString &source, const QString &destination,
                                    const std::function<void(const QString &)> &progression = {},
                                    const LimitesConversion &limites = {},
                                    const std::function<void(double)> &avancement = {});

// The converter program: corvane-jet beside the running executable (a build
// tree), else where the installation puts it (CORVANE_JET_RELATIF from the
// executable's folder, e.g. ../libexec/corvane), unless another was named (tests).
QString ProgrammeConversion();
// The same from a given folder: the first of the two places that holds an
// executable corvane-jet, else the first place (for the error to name).
QString TrouverProgrammeConversion(const QString &dossierExecutable, const QString &relatifInstalle);
void definirProgrammeConversion(const QString &chemin);   // "" restores the default

} // namespace Jet
