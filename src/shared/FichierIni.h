#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Stands in for the platform's private-profile reader (GetPrivateProfileStringA)
// on which the configuration reader relies.
namespace FichierIni {

// The reader's buffer holds 255 characters, the last one for the terminating zero.
constexpr qsizetype LongueurMaxValeur = 254;
// Only the beginning of an unreasonably large file is read.
constexpr qint64 OctetsLusMax = 4 * 1024 * 1024;

// The file's bytes as text: UTF-8 when they are valid UTF-8 (a byte-order
// mark is skipped), UTF-16 after its byte-order mark, else Windows-1252.
QString decoderTexte(QByteArray octets);

// The value of `cle` in the first section named `section` of an ini text
// (both matched without regard to case; the first key of that name wins),
// blanks and tabs around it removed and one pair of enclosing quotes dropped;
// nullopt when the section or the key is missing.
std::optional<QString> valeurDansTexte(QStringView texte, QStringView section, QStringView cle);

// As GetPrivateProfileStringA copies it into a 255-character buffer: the value
// of the key, or the default (trailing blanks removed) when the file, the
// section or the key is missing, cut at 254 characters. The file name is
// matched without regard to case. Throws RuntimeError when the file exists but
// cannot be read (a folder, no permission, an input/output error).
QString lireProfilPrive(const QString &section, const QString &cle, const QString &defaut,
                        const QString &fichier);

} // namespace FichierIni
