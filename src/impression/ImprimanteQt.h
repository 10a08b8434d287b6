#pragma once

#include "rapports/Imprimante.h"

#include <QPrinterInfo>
#include <QString>
#include <functional>
#include <memory>

// The printer drawn with QPainter on a QPrinter: the system's default printer,
// or a PDF file. The defaults apply (the printer's paper and margins, the
// system's general font); lines start at the top-left corner of the
// printable area. Tab stops fall every `TabulationCaracteres` average
// character widths of that font, measured on the printer itself.
//
// The document is laid out line by line as it is printed and drawn on the
// printer at finDocument: a document that a failure leaves open is discarded,
// never half sent.
class ImprimanteQt : public Imprimante
{
public:
    using RechercheImprimante = std::function<QPrinterInfo()>;
    static constexpr int TabulationCaracteres = 8;

    // The printer that `recherche` names when the first line is printed
    // (QPrinterInfo::defaultPrinter by default); none is error 482.
    explicit ImprimanteQt(RechercheImprimante recherche = {});
    // A PDF file in place of the printer.
    static std::unique_ptr<ImprimanteQt> versPdf(const QString &fichier);
    ~ImprimanteQt() override;

    void imprimerLigne(const QString &texte) override;
    void finDocument() override;

private:
    struct Document;
    void ouvrir();

    RechercheImprimante m_recherche;
    QString m_fichierPdf;
    std::unique_ptr<Document> d;
};

// The program's default printer: ImprimanteQt on the system's default printer,
// unless a PDF file (command line --pdf) or another printer lookup (tests)
// was set.
namespace ImprimanteParDefaut {
std::unique_ptr<Imprimante> creer();
void definirFichierPdf(const QString &fichier);                         // "" restores the printer
void definirRecherche(ImprimanteQt::RechercheImprimante recherche);      // {} restores the system's
} // namespace ImprimanteParDefaut
