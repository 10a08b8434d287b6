#pragma once

#include <QString>

// The default printer as the program uses it: three operations.
// Every failure (no default printer, printer or driver error) throws RuntimeError.
class Imprimante
{
public:
    virtual ~Imprimante() = default;

    // Writes one item at the current position, then ends the line. A carriage
    // return and line feed inside the text starts a new line; a tab moves to
    // the next tab stop. The first line opens the document; when a line would
    // fall below the page, the next page starts by itself.
    virtual void imprimerLigne(const QString &texte) = 0;

    // Closes the document and hands it to the spooler.
    virtual void finDocument() = 0;
};
