#pragma once

#include <QString>
#include <QStringList>

// Where a report writes its lines: the window's List1, or a plain list for the
// command line and the tests. A report clears it and adds lines one by one, so
// whatever an error interrupts stays as far as it got.
class ListeRapport
{
public:
    virtual ~ListeRapport() = default;
    virtual void effacer() = 0;
    virtual void ajouter(const QString &ligne) = 0;
};

class ListeLignes : public ListeRapport
{
public:
    void effacer() override { lignes.clear(); }
    void ajouter(const QString &ligne) override { lignes.append(ligne); }
    QStringList lignes;
};
