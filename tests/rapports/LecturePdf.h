#pragma once

#include <QtCore>
#include <algorithm>

// The words of a PDF as poppler's `pdftotext -bbox` places them, in points.
struct MotPdf
{
    int page = 0;       // from 0
    double x = 0, y = 0, xFin = 0, yFin = 0;
    QString texte;
    bool operator==(const MotPdf &) const = default;
};

struct DocumentPdf
{
    int pages = 0;
    double largeurPage = 0, hauteurPage = 0;
    QList<MotPdf> mots;         // in pdftotext's reading order

    // Words grouped in lines (same page, same top), top to bottom, left to right: pdftotext gives
    // them column by column.
    QList<QList<MotPdf>> lignes() const
    {
        QMap<std::pair<int, int>, QList<MotPdf>> parLigne;   // by page, then top in points
        for (const MotPdf &m : mots)
            parLigne[{m.page, qRound(m.y)}] << m;
        QList<QList<MotPdf>> resultat = parLigne.values();
        for (QList<MotPdf> &l : resultat)
            std::sort(l.begin(), l.end(), [](const MotPdf &a, const MotPdf &b) { return a.x < b.x; });
        return resultat;
    }
};

// Reads `fichier` through pdftotext; an empty document (pages 0) on failure.
inline DocumentPdf lirePdf(const QString &fichier)
{
    DocumentPdf doc;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), fichier, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return doc;
    QXmlStreamReader xml(p.readAllStandardOutput());
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        const auto v = [&a](const char *nom) { return a.value(QLatin1String(nom)).toDouble(); };
        if (xml.name() == QLatin1String("page")) {
            ++doc.pages;
            doc.largeurPage = v("width");
            doc.hauteurPage = v("height");
        } else if (xml.name() == QLatin1String("word")) {
            doc.mots << MotPdf{doc.pages - 1, v("xMin"), v("yMin"), v("xMax"), v("yMax"), xml.readElementText()};
        }
    }
    return doc;
}
