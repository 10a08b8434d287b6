#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class BaseFlotte;

// The import of one kiosk's folder into the fleet's database: every sale of
// the kiosk's Ventes and every upload of its Telecollectes, receipts
// included, sent by COPY into temporary tables, then added to the fleet's
// tables where they are new, all in one transaction. A sale is known by
// (kiosk, NoVente); an upload by (kiosk, LaDate, digest of its Ticket). A sale
// that the fleet holds with other values is left as it is and listed.
struct ResultatImport
{
    qint64 ventesLues = 0;
    qint64 ventesAjoutees = 0;
    qint64 telecollectesLues = 0;
    qint64 telecollectesAjoutees = 0;
    QStringList conflits;   // "vente n° N : what differs", one per sale
};

// `progression` gets French lines for long imports. Throws RuntimeError;
// then nothing of this import is in the fleet's database.
ResultatImport ImporterBorne(BaseFlotte &base, const QString &dossier, const QString &borne,
                             const std::function<void(const QString &)> &progression = {});
