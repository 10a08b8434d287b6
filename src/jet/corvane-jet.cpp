// corvane-jet: converts one Jet 3 / Jet 4 (.mdb) file into a new native
// database. Corvane runs it as a child process, so that a file that makes
// the reading library fail can only end this process.
//
//   corvane-jet [--machine] [--sans-renommer] SOURCE DESTINATION
//
// DESTINATION must not exist. The new database is written beside it and
// takes its name once complete; with --sans-renommer it is written at
// DESTINATION itself and the caller names it (Corvane does, so that a
// converter that is killed cannot leave a file at the final name).
// Exit status: 0 converted, 1 conversion failed (nothing written), 2 usage.
// With --machine, standard output carries one tab-separated record a line:
//   DEBUT <tables> <rows announced> | LIGNES <rows written so far> | TABLE <name> <rows> |
//   AVERTISSEMENT <text> | RESUME <tables> <rows> <views> <skipped> | ERREUR <text>
// Without it, the same in French sentences (errors and warnings on standard error).

#include "jet/ConversionJet.h"
#include "jet/LecteurJet.h"
#include "jet/MessagesConversion.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <unistd.h>

namespace {

// A field of a record: no tab or line break inside.
std::string champ(std::string s)
{
    for (char &c : s)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return s;
}

void ecrire(std::FILE *f, const std::string &ligne)
{
    std::fputs(ligne.c_str(), f);
    std::fputc('\n', f);
    std::fflush(f);
}

int usage()
{
    std::fputs("Usage : corvane-jet [--machine] [--sans-renommer] SOURCE.mdb DESTINATION\n", stderr);
    return 2;
}

// libmdb prints its own diagnostics, some to standard output: in machine
// mode the records keep standard output to themselves and the library
// writes to standard error.
std::FILE *sortieDesEnregistrements()
{
    const int canal = ::dup(1);
    std::FILE *f = canal >= 0 ? ::fdopen(canal, "w") : nullptr;
    if (!f)
        return stdout;
    ::dup2(2, 1);
    return f;
}

// Progress as records (machine mode) or as the operator's lines.
Jet::Rapport rapportSur(std::FILE *sortie, bool machine)
{
    Jet::Rapport rapport;
    if (machine) {
        rapport.debut = [sortie](std::size_t tables, std::uint64_t lignes) {
            ecrire(sortie, "DEBUT\t" + std::to_string(tables) + "\t" + std::to_string(lignes));
        };
        rapport.avancement = [sortie](std::uint64_t lignes) { ecrire(sortie, "LIGNES\t" + std::to_string(lignes)); };
    }
    rapport.table = [machine, sortie](const std::string &table, std::uint64_t lignes) {
        ecrire(sortie, machine ? "TABLE\t" + champ(table) + "\t" + std::to_string(lignes)
                               : Jet::ligneTable(table, lignes));
    };
    rapport.avertissement = [machine, sortie](const std::string &texte) {
        if (machine)
            ecrire(sortie, "AVERTISSEMENT\t" + champ(texte));
        else
            ecrire(stderr, "Avertissement : " + texte);
    };
    return rapport;
}

} // namespace

int main(int argc, char **argv)
{
    bool machine = false, sansRenommer = false;
    std::string source, destination;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--machine") {
            machine = true;
        } else if (a == "--sans-renommer") {
            sansRenommer = true;
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return usage();
        } else if (source.empty()) {
            source = a;
        } else if (destination.empty()) {
            destination = a;
        } else {
            return usage();
        }
    }
    if (source.empty() || destination.empty())
        return usage();

    std::FILE *sortie = machine ? sortieDesEnregistrements() : stdout;
    const Jet::Rapport rapport = rapportSur(sortie, machine);
    try {
        const Jet::Resume r = Jet::convertirFichier(source, destination, sansRenommer, rapport);
        if (machine)
            ecrire(sortie, "RESUME\t" + std::to_string(r.tables) + "\t" + std::to_string(r.lignes) + "\t"
                               + std::to_string(r.requetesConverties) + "\t" + std::to_string(r.requetesIgnorees));
        else
            ecrire(sortie, Jet::ligneResume(r.tables, r.lignes, r.requetesConverties, r.requetesIgnorees));
        return 0;
    } catch (const std::bad_alloc &) {
        const std::string m = "mémoire insuffisante";
        ecrire(machine ? sortie : stderr, machine ? "ERREUR\t" + m : "Échec de la conversion : " + m);
    } catch (const std::exception &e) {
        ecrire(machine ? sortie : stderr,
               machine ? "ERREUR\t" + champ(e.what()) : std::string("Échec de la conversion : ") + e.what());
    }
    return 1;
}
