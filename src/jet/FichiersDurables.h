#pragma once

#include <stdexcept>
#include <string>

// Writing a new file beside its final name and giving it that name only once
// it is complete and on the disk, never replacing an existing file. Plain
// C++: the converter and Corvane both use it.
namespace Jet {

// A file operation failed; what() is a French description.
class ErreurFichier : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

bool existe(const std::string &chemin);

// Waits until the file's contents, or the folder's entries, are on the disk.
void synchroniserFichier(const std::string &chemin);
void synchroniserDossier(const std::string &dossier);

// Gives the complete file `de` the new name `vers` (refused if `vers` exists:
// a hard link then the removal of `de`, or, on file systems without links, a
// rename that replaces nothing), then syncs the folder. Throws ErreurFichier.
void nommerSansRemplacer(const std::string &de, const std::string &vers);

class FichierTemporaire
{
public:
    // Creates `chemin` (which must not exist), or, when empty, a new unique
    // name beside `destination`. Throws ErreurFichier.
    FichierTemporaire(const std::string &destination, const std::string &chemin);
    // Removes the file (and an SQLite journal beside it) unless kept or published.
    ~FichierTemporaire();
    FichierTemporaire(const FichierTemporaire &) = delete;
    FichierTemporaire &operator=(const FichierTemporaire &) = delete;

    const std::string &chemin() const { return m_chemin; }

    // fsync of the file, which then stays where it is.
    void garder();
    // fsync of the file, then nommerSansRemplacer to `destination`.
    void publier(const std::string &destination);

private:
    std::string m_chemin;
    bool m_garde = false;
};

} // namespace Jet
