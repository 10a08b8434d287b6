#include "impression/ImprimanteQt.h"

#include "shared/RuntimeError.h"

#include <QFont>
#include <QFontMetricsF>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <cmath>
#include <vector>

namespace {

RuntimeError erreurImprimante(const QString &detail)
{
    return RuntimeError(Erreurs::Imprimante, QStringLiteral("Erreur d'imprimante : ") + detail);
}

struct Fragment
{
    QPointF position;   // of the baseline's start, in printer pixels
    QString texte;
};

} // namespace

struct ImprimanteQt::Document
{
    std::unique_ptr<QPrinter> printer;
    QFont police;
    qreal interligne = 0;
    qreal ascendante = 0;
    qreal hauteurPage = 0;
    qreal tabulation = 0;
    std::vector<std::vector<Fragment>> pages;
    qreal y = 0;            // top of the next line on the current page
};

ImprimanteQt::ImprimanteQt(RechercheImprimante recherche) : m_recherche(std::move(recherche)) {}

std::unique_ptr<ImprimanteQt> ImprimanteQt::versPdf(const QString &fichier)
{
    auto imprimante = std::make_unique<ImprimanteQt>();
    imprimante->m_fichierPdf = fichier;
    return imprimante;
}

ImprimanteQt::~ImprimanteQt() = default;

void ImprimanteQt::ouvrir()
{
    auto doc = std::make_unique<Document>();
    if (m_fichierPdf.isEmpty()) {
        const QPrinterInfo info = m_recherche ? m_recherche() : QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw erreurImprimante(QStringLiteral("aucune imprimante par défaut n'est installée."));
        doc->printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!doc->printer->isValid())
            throw erreurImprimante(QStringLiteral("l'imprimante « %1 » n'est pas disponible.").arg(info.printerName()));
    } else {
        doc->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        doc->printer->setOutputFormat(QPrinter::PdfFormat);
        doc->printer->setOutputFileName(m_fichierPdf);
    }
    doc->police = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QFontMetricsF fm(doc->police, doc->printer.get());
    doc->interligne = fm.lineSpacing();
    doc->ascendante = fm.ascent();
    doc->hauteurPage = doc->printer->height();
    doc->tabulation = TabulationCaracteres * fm.averageCharWidth();
    if (doc->interligne <= 0 || doc->tabulation <= 0 || doc->hauteurPage <= 0)
        throw erreurImprimante(QStringLiteral("la page ou la police de l'imprimante est inutilisable."));
    doc->pages.emplace_back();
    d = std::move(doc);
}

void ImprimanteQt::imprimerLigne(const QString &texte)
{
    if (!d)
        ouvrir();
    static const QRegularExpression finDeLigne(QStringLiteral("\r\n|\r|\n"));
    const QFontMetricsF fm(d->police, d->printer.get());
    for (const QString &ligne : texte.split(finDeLigne)) {
        if (d->y > 0 && d->y + d->interligne > d->hauteurPage) {
            d->pages.emplace_back();
            d->y = 0;
        }
        qreal x = 0;
        const QStringList morceaux = ligne.split(QLatin1Char('\t'));
        for (qsizetype i = 0; i < morceaux.size(); ++i) {
            if (i > 0)
                x = (std::floor(x / d->tabulation + 1e-9) + 1) * d->tabulation;
            if (!morceaux[i].isEmpty()) {
                d->pages.back().push_back({QPointF(x, d->y + d->ascendante), morceaux[i]});
                x += fm.horizontalAdvance(morceaux[i]);
            }
        }
        d->y += d->interligne;
    }
}

void ImprimanteQt::finDocument()
{
    if (!d)
        return;
    const std::unique_ptr<Document> doc = std::move(d);
    QPainter painter;
    if (!painter.begin(doc->printer.get())) {
        if (!m_fichierPdf.isEmpty())
            throw erreurImprimante(QStringLiteral("le fichier « %1 » n'a pas pu être écrit.").arg(m_fichierPdf));
        throw erreurImprimante(QStringLiteral("le document n'a pas pu être ouvert sur l'imprimante."));
    }
    painter.setFont(doc->police);
    for (std::size_t p = 0; p < doc->pages.size(); ++p) {
        if (p > 0 && !doc->printer->newPage())
            throw erreurImprimante(QStringLiteral("l'imprimante a refusé une nouvelle page."));
        for (const Fragment &f : doc->pages[p])
            painter.drawText(f.position, f.texte);
    }
    if (!painter.end())
        throw erreurImprimante(QStringLiteral("le document n'a pas pu être transmis à l'imprimante."));
}

namespace ImprimanteParDefaut {

namespace {
QString g_fichierPdf;
ImprimanteQt::RechercheImprimante g_recherche;
} // namespace

std::unique_ptr<Imprimante> creer()
{
    if (!g_fichierPdf.isEmpty())
        return ImprimanteQt::versPdf(g_fichierPdf);
    return std::make_unique<ImprimanteQt>(g_recherche);
}

void definirFichierPdf(const QString &fichier) { g_fichierPdf = fichier; }
void definirRecherche(ImprimanteQt::RechercheImprimante recherche) { g_recherche = std::move(recherche); }

} // namespace ImprimanteParDefaut
