#pragma once

#include "maintenance/OperationsFichiers.h"

#include <QStringList>
#include <cerrno>
#include <functional>
#include <map>

// The real file operations, with a fault injected at the n-th call of one
// kind, a log of every call (by file names) and a check that no file of this
// process is open on a file being moved.
class OperationsDefaillantes : public OperationsFichiers
{
public:
    enum class Op { Supprimer, Renommer, Lier, Copier, SynchroniserFichier, SynchroniserDossier, Compacter };

    // The `rang`-th call (from 1) of `op` fails with errno `numeroErrno` and does
    // nothing, except a copy or a compaction, which first write part of their file.
    struct Panne { Op op = Op::Supprimer; int rang = 0; int numeroErrno = EIO; };
    Panne panne;
    bool sansLiens = false;          // a file system without hard links (FAT)
    std::function<void(const QString &)> avantCopie;   // the source changes under the copy

    QStringList journal;             // e.g. "renommer OLDK7.TMP OLDK7.BAK", " !" after the failing one
    QStringList fichiersOuverts;     // files of this process found open while moved
    QStringList chemins;             // paths handed to the compaction

    void supprimer(const QString &chemin) override;
    void renommer(const QString &de, const QString &vers) override;
    bool lier(const QString &existant, const QString &nouveau) override;
    void copier(const QString &source, const QString &destination) override;
    void synchroniserFichier(const QString &chemin) override;
    void synchroniserDossier(const QString &dossier) override;
    void compacter(const QString &base, const QString &destination, const Progression &progression) override;

private:
    // Logs the call and the files of `deplaces` open here; true when this call fails.
    bool defaillance(Op op, const QString &appel, const QStringList &deplaces);
    std::map<Op, int> m_appels;
};
