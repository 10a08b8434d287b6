// velmara.ini on arbitrary bytes, through the same file reader as start-up.
#include "EntreesNoyau.h"

#include "shared/Configuration.h"
#include "shared/FichierIni.h"
#include "shared/RuntimeError.h"

#include <QFile>
#include <QTemporaryDir>

namespace fuzz {

namespace {

// A value as the platform reader hands it back: at most 254 UTF-16 units,
// never half a character at its end.
void verifierValeur(const QString &v, const QString &section)
{
    if (v.size() > FichierIni::LongueurMaxValeur)
        faute("value longer than the reader's buffer", section + QLatin1Char('=') + v);
    if (!v.isEmpty() && v.back().isHighSurrogate())
        faute("value cut inside a character", section);
}

} // namespace

int configuration(const std::uint8_t *d, std::size_t n)
{
    preparer();
    static QTemporaryDir dossier;
    static const QString chemin = dossier.filePath(QStringLiteral("velmara.ini"));
    const QByteArray octets(reinterpret_cast<const char *>(d), qsizetype(n));
    {
        QFile f(chemin);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(octets) != octets.size())
            faute("cannot write the temporary file", chemin);
    }

    struct Cle { const char16_t *section, *cle; };
    static constexpr Cle cles[] = {
        {u"Base de donnée", u"Nom"}, {u"BASE DE DONNÉE", u"nom"}, {u"", u""}, {u"Autre", u"Clé"}};
    const QString texte = FichierIni::decoderTexte(octets);
    for (const Cle &c : cles) {
        const QString section = QString::fromUtf16(c.section), cle = QString::fromUtf16(c.cle);
        // A readable file always gives a value: a RuntimeError here escapes as a fault.
        verifierValeur(FichierIni::lireProfilPrive(section, cle, QStringLiteral("dacorvane"), chemin), section);
        if (const std::optional<QString> v = FichierIni::valeurDansTexte(texte, section, cle); v && v->contains(QLatin1Char('\n')))
            faute("value past its line", *v);
    }
    // The start-up's own call: never a message box for a readable file.
    const QString nom = LireIniString(chemin, QStringLiteral("Base de donnée"), QStringLiteral("Nom"),
                                      QStringLiteral("dacorvane"));
    if (nom.contains(QLatin1Char('\n')) || nom.contains(QLatin1Char('\r')))
        faute("name past its line", nom);
    return 0;
}

} // namespace fuzz
