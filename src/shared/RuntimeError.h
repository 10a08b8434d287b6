#pragma once

#include <QString>
#include <exception>
#include <string>

// A run-time error as the program's error traps see it: a number and a French
// description. Thrown by any procedure; caught by the procedure that owns the
// trap, which hands it to TraiterErreur (or ignores it, as its trap says).
//
// Numbers keep the original platform's well-known values where the same error
// exists. Errors raised by the database engine itself carry NumeroBaseDeDonnees
// and the engine's message in the description.
class RuntimeError : public std::exception
{
public:
    RuntimeError(int number, QString description)
        : m_number(number), m_description(std::move(description)),
          m_what(m_description.toStdString()) {}

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

// Well-known numbers.
namespace Erreurs {
constexpr int TypeIncompatible = 13;        // "Type incompatible"
constexpr int DepassementCapacite = 6;      // "Dépassement de capacité"
constexpr int FichierIntrouvable = 53;      // "Fichier introuvable"
constexpr int EntreeSortie = 57;            // "Erreur d'entrée/sortie"
constexpr int DisqueSature = 61;            // "Disque plein"
constexpr int PermissionRefusee = 70;       // "Permission refusée"
constexpr int AccesChemin = 75;             // "Erreur d'accès au chemin/fichier"
constexpr int CheminIntrouvable = 76;       // "Chemin d'accès introuvable"
constexpr int UtilisationNull = 94;         // "Utilisation incorrecte de Null"
constexpr int ArgumentsIncorrects = 3001;   // arguments of the wrong type, out of range or in conflict
constexpr int FinDeFichier = 3021;          // BOF or EOF is True: no current record
constexpr int FichierBaseIntrouvable = 3024;// the database file does not exist
constexpr int ElementIntrouvable = 3265;    // no field of that name or ordinal
constexpr int FormatNonReconnu = 3343;      // the file is not a database we can read
constexpr int OperationObjetFerme = 3704;   // operation on a closed object
constexpr int NumeroBaseDeDonnees = -2147467259; // 0x80004005: any error of the database engine
constexpr int Imprimante = 482;             // "Erreur d'imprimante"
}
