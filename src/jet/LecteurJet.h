#pragma once

#include "jet/RequeteJet.h"

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

// Reading a Jet 3 / Jet 4 file with libmdb. The file is untrusted: this code
// runs only in the converter's own process (or a fuzzer), never in Corvane.
namespace Jet {

// The file or one of its tables cannot be read; what() is a French reason.
class ErreurLecture : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Column types of the file format.
enum class TypeJet : int {
    Booleen = 0x01, Octet = 0x02, Entier = 0x03, EntierLong = 0x04, Monetaire = 0x05, Simple = 0x06,
    Double = 0x07, DateHeure = 0x08, Binaire = 0x09, Texte = 0x0a, Ole = 0x0b, Memo = 0x0c,
    NumeroReplication = 0x0f, Decimal = 0x10,
};

struct ColonneJet
{
    std::string nom;
    TypeJet type;
    int taille = 0;            // characters for Texte, bytes for Binaire
    int precision = 0, echelle = 0;
    bool numeroAuto = false;
};

struct IndexJet
{
    std::string nom;
    bool primaire = false;
    bool unique = false;
    std::vector<std::pair<int, bool>> colonnes;   // column ordinal, descending
};

// A field: Null, whole number, floating number, text (UTF-8) or bytes.
struct Octets
{
    std::string donnees;
    friend bool operator==(const Octets &, const Octets &) = default;
};
using ValeurJet = std::variant<std::monostate, std::int64_t, double, std::string, Octets>;

class TableJet;
struct RangeeCatalogue;

class BaseJet
{
public:
    // Throws ErreurLecture when the file is not a Jet 3/4 database it can read.
    explicit BaseJet(const std::string &chemin);
    // The same from bytes in memory (for the fuzzer); `octets` must outlive the object.
    BaseJet(const std::uint8_t *octets, std::size_t taille);
    ~BaseJet();
    BaseJet(const BaseJet &) = delete;
    BaseJet &operator=(const BaseJet &) = delete;

    bool jet4() const;
    // User tables, in the catalogue's order; linked tables apart.
    std::vector<std::string> tables() const;
    std::vector<std::string> tablesLiees() const;

    struct Requete
    {
        std::string nom;
        std::vector<LigneCatalogue> lignes;
        std::string illisible;   // why its catalogue rows could not be read, if so
    };
    // Saved queries (hidden "~" ones left out) with their catalogue rows.
    std::vector<Requete> requetes();

    std::unique_ptr<TableJet> ouvrirTable(const std::string &nom);

private:
    void lireCatalogue();
    void lireCatalogueRequetes(const std::map<unsigned long, std::size_t> &parIdentifiant,
                               std::map<std::size_t, std::vector<RangeeCatalogue>> &rangees);
    struct Private;
    std::unique_ptr<Private> d;
};

class TableJet
{
public:
    ~TableJet();
    const std::string &nom() const;
    const std::vector<ColonneJet> &colonnes() const;
    // Indexes whose definition could be read whole (the others are named in `indexIllisibles`).
    const std::vector<IndexJet> &index() const;
    const std::vector<std::string> &indexIllisibles() const;
    // The row count the table's definition holds.
    std::uint64_t lignesAnnoncees() const;

    // Only these columns' values are decoded from now on (the others read as
    // Null); an empty list: all of them.
    void decoderSeulement(const std::vector<int> &colonnes);

    void rembobiner();
    // The next live row, one value per column; false at the end.
    // Throws ErreurLecture for a row or value that cannot be decoded.
    bool ligneSuivante(std::vector<ValeurJet> &valeurs);

private:
    friend class BaseJet;
    TableJet();
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace Jet
