#include "shared/FichierIni.h"

#include "shared/Chemins.h"
#include "shared/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace FichierIni {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; its five unassigned
// bytes map to the control character of the same value, as Windows maps them.
constexpr char16_t Cp1252Haut[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString depuisCp1252(const QByteArray &octets)
{
    QString texte(octets.size(), Qt::Uninitialized);
    QChar *sortie = texte.data();
    for (const char c : octets) {
        const auto o = static_cast<unsigned char>(c);
        *sortie++ = (o >= 0x80 && o < 0xA0) ? QChar(Cp1252Haut[o - 0x80]) : QChar(o);
    }
    return texte;
}

bool estBlanc(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QStringView sansBlancs(QStringView v)
{
    qsizetype debut = 0, fin = v.size();
    while (debut < fin && estBlanc(v[debut]))
        ++debut;
    while (fin > debut && estBlanc(v[fin - 1]))
        --fin;
    return v.sliced(debut, fin - debut);
}

bool memeNom(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0 || a.toString().toUpper() == b.toString().toUpper();
}

QString coupee(QString v)
{
    if (v.size() > LongueurMaxValeur) {
        qsizetype n = LongueurMaxValeur;
        if (v.at(n - 1).isHighSurrogate())
            --n;                // never leave half a character
        v.truncate(n);
    }
    return v;
}

// The bytes of the file, or nullopt when there is no such file.
std::optional<QByteArray> lireFichier(const QString &fichier)
{
    const QString chemin = resoudreChemin(fichier);
    const QFileInfo info(chemin);
    if (chemin.isEmpty() || !info.exists())
        return std::nullopt;
    if (!info.isFile())         // a folder, a device, a pipe: nothing to read as a file
        throw RuntimeError(Erreurs::AccesChemin, QStringLiteral("Erreur d'accès au chemin/fichier"));
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        if (f.error() == QFileDevice::PermissionsError)
            throw RuntimeError(Erreurs::PermissionRefusee, QStringLiteral("Permission refusée"));
        throw RuntimeError(Erreurs::AccesChemin, QStringLiteral("Erreur d'accès au chemin/fichier"));
    }
    // Ask for what the file holds, not the whole allowance: a read of 4 MiB
    // allocates 4 MiB whatever the file's size.
    const qint64 taille = f.size();
    QByteArray octets = f.read(taille > 0 && taille < OctetsLusMax ? taille : OctetsLusMax);
    if (f.error() != QFileDevice::NoError)
        throw RuntimeError(Erreurs::EntreeSortie, QStringLiteral("Erreur d'entrée/sortie"));
    if (octets.size() == OctetsLusMax && !f.atEnd()) {
        // Only whole lines of the part read count.
        const qsizetype finLigne = std::max(octets.lastIndexOf('\n'), octets.lastIndexOf('\r'));
        octets.truncate(finLigne < 0 ? 0 : finLigne + 1);
    }
    return octets;
}

} // namespace

QString decoderTexte(QByteArray octets)
{
    if (octets.startsWith("\xFF\xFE") || octets.startsWith("\xFE\xFF")) {
        QStringDecoder d(octets.at(0) == '\xFF' ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return d(octets.sliced(2));
    }
    const bool bom = octets.startsWith("\xEF\xBB\xBF");
    if (bom)
        octets.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString texte = utf8(octets);
    if (!utf8.hasError())
        return texte;
    return depuisCp1252(octets);
}

std::optional<QString> valeurDansTexte(QStringView texte, QStringView section, QStringView cle)
{
    bool dansSection = false;
    bool sectionVue = false;
    qsizetype debut = 0;
    while (debut <= texte.size()) {
        qsizetype fin = debut;
        while (fin < texte.size() && texte[fin] != QLatin1Char('\n') && texte[fin] != QLatin1Char('\r'))
            ++fin;
        const QStringView ligne = sansBlancs(texte.sliced(debut, fin - debut));
        debut = fin + 1;
        if (ligne.isEmpty() || ligne.front() == QLatin1Char(';'))
            continue;
        if (ligne.front() == QLatin1Char('[')) {
            if (sectionVue)
                return std::nullopt;    // only the first section of that name counts
            const qsizetype fermante = ligne.lastIndexOf(QLatin1Char(']'));
            const QStringView nom = ligne.sliced(1, (fermante < 0 ? ligne.size() : fermante) - 1);
            dansSection = memeNom(sansBlancs(nom), section);
            sectionVue = dansSection;
            continue;
        }
        if (!dansSection)
            continue;
        const qsizetype egal = ligne.indexOf(QLatin1Char('='));
        if (egal < 0 || !memeNom(sansBlancs(ligne.first(egal)), cle))
            continue;
        QStringView valeur = sansBlancs(ligne.sliced(egal + 1));
        if (valeur.size() >= 2 && valeur.front() == valeur.back()
            && (valeur.front() == QLatin1Char('"') || valeur.front() == QLatin1Char('\'')))
            valeur = valeur.sliced(1, valeur.size() - 2);
        return valeur.toString();
    }
    return std::nullopt;
}

QString lireProfilPrive(const QString &section, const QString &cle, const QString &defaut,
                        const QString &fichier)
{
    if (const std::optional<QByteArray> octets = lireFichier(fichier)) {
        const QString texte = decoderTexte(*octets);
        if (std::optional<QString> valeur = valeurDansTexte(texte, section, cle))
            return coupee(std::move(*valeur));
    }
    QString d = defaut;
    while (d.endsWith(QLatin1Char(' ')))
        d.chop(1);
    return coupee(d);
}

} // namespace FichierIni
