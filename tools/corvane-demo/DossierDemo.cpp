#include "DossierDemo.h"

#include "BaseDemo.h"
#include "Dossier.h"
#include "Erreur.h"
#include "Generateur.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Counts what reaches the database, for the closing line.
class Compteur : public Destination
{
public:
    explicit Compteur(BaseDemo &base) : m_base(base) {}
    void vente(const Vente &v) override { m_base.vente(v); ++bilan.ventes; }
    void telecollecte(const Telecollecte &t) override { m_base.telecollecte(t); ++bilan.telecollectes; }
    BilanDemo bilan;

private:
    BaseDemo &m_base;
};

// A database file being built beside its final name; removed unless placed.
class Provisoire
{
public:
    explicit Provisoire(QString chemin) : m_chemin(std::move(chemin))
    {
        Dossier::supprimer(m_chemin);
        Dossier::supprimer(m_chemin + QStringLiteral("-journal"));
    }
    ~Provisoire()
    {
        if (!m_place) {
            try {
                Dossier::supprimer(m_chemin);
            } catch (const ErreurDemo &) {
                // Nothing more can be done; the next run removes it.
            }
        }
    }
    Provisoire(const Provisoire &) = delete;
    Provisoire &operator=(const Provisoire &) = delete;
    const QString &chemin() const { return m_chemin; }
    void mettreEnPlace(const QString &definitif)
    {
        Dossier::mettreEnPlace(m_chemin, definitif);
        m_place = true;
    }

private:
    QString m_chemin;
    bool m_place = false;
};

// The (Windows-1252) configuration naming the database, as the kiosk writes it.
QByteArray contenuIni()
{
    return QByteArrayLiteral("[Base de donn\xE9" "e]\r\nNom=dacorvane\r\n");
}

} // namespace

BilanDemo creerDossierDemo(const OptionsDemo &options)
{
    const QFileInfo info(options.dossier);
    if (info.exists() && !info.isDir())
        throw ErreurDemo{QStringLiteral("%1 existe et n'est pas un dossier.").arg(options.dossier)};
    if (!QDir().mkpath(options.dossier))
        throw ErreurDemo{QStringLiteral("Impossible de créer le dossier %1.").arg(options.dossier)};
    const QDir dossier(info.absoluteFilePath());

    // Existing files keep their own spelling when replaced, as the program finds them case-blind.
    QString noms[3] = {QString::fromLatin1(NomBase), QString::fromLatin1(NomMaintenance), QString::fromLatin1(NomIni)};
    QStringList presents;
    for (QString &nom : noms) {
        const QString existant = Dossier::entreeExistante(dossier.path(), nom);
        if (!existant.isEmpty()) {
            presents << existant;
            nom = existant;
        }
    }
    if (!presents.isEmpty() && !options.remplacer)
        throw ErreurDemo{QStringLiteral("Le dossier %1 contient déjà %2 : rien n'a été modifié. "
                                        "Ajoutez --remplacer pour remplacer ces fichiers.")
                             .arg(dossier.path(), presents.join(QStringLiteral(", ")))};

    Provisoire maintenance(dossier.filePath(noms[1] + QStringLiteral(".partiel")));
    {
        BaseDemo base(maintenance.chemin(), options.schemaMaintenance);
        base.terminer();
    }

    Provisoire ventes(dossier.filePath(noms[0] + QStringLiteral(".partiel")));
    BaseDemo base(ventes.chemin(), options.schema);
    base.preparerInsertions();
    const ParametresKiosque parametres = parametresDemo(options.graine);
    base.parametres(parametres);
    Compteur compteur(base);
    genererActivite(options.ventes, options.graine, parametres, compteur);
    base.terminer();

    maintenance.mettreEnPlace(dossier.filePath(noms[1]));
    ventes.mettreEnPlace(dossier.filePath(noms[0]));
    Dossier::ecrireFichier(dossier.filePath(noms[2]), contenuIni());
    return compteur.bilan;
}
