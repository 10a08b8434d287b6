#pragma once

#include <QList>
#include <QString>

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

    // Words grouped in lines (same page, same top), in reading order.
    QList<QList<MotPdf>> lignes() const;
};

// Reads `fichier` through pdftotext; an empty document (pages 0) on failure.
DocumentPdf lirePdf(const QString &fichier);
