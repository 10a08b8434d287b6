#include "EntreesNoyau.h"

#include "shared/Plateforme.h"

#include <QLocale>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

void faute(const char *quoi, const QString &detail)
{
    std::fprintf(stderr, "%s\n%s\n", quoi, detail.toUtf8().constData());
    std::abort();
}

void preparer()
{
    static const bool fait = [] {
        Plateforme::definirLocaleSysteme(QLocale(QLocale::French, QLocale::France));
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        return true;
    }();
    (void)fait;
}

} // namespace fuzz
