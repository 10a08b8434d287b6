#pragma once

#include <QString>
#include <functional>

// The file operations of the start-up maintenance (compaction, copy from a
// removable drive), gathered behind one interface so that tests can make any
// of them fail. Paths are used as given: callers resolve names case-blind.
// Every failure throws RuntimeError with a French description naming the file.

// Fraction of the work done, 0 to 1.
using Progression = std::function<void(double)>;

class OperationsFichiers
{
public:
    virtual ~OperationsFichiers() = default;

    // Removes a file (not a folder).
    virtual void supprimer(const QString &chemin) = 0;
    // Moves `de` to `vers` in one atomic step, replacing a file at `vers`.
    virtual void renommer(const QString &de, const QString &vers) = 0;
    // Gives the file `existant` the second name `nouveau` (which must not
    // exist). Returns false, changing nothing, when the file system cannot
    // hold two names for one file, or the names lie on two file systems (the
    // caller then copies instead).
    virtual bool lier(const QString &existant, const QString &nouveau) = 0;
    // Copies a regular file (a symbolic link is refused, never followed) to
    // `destination`, created or emptied first; keeps the source's modification
    // time. The copy is not yet durable: see synchroniserFichier.
    virtual void copier(const QString &source, const QString &destination) = 0;
    // Waits until the file's contents are on the disk.
    virtual void synchroniserFichier(const QString &chemin) = 0;
    // Waits until the folder's entries (names created, renamed, removed) are on the disk.
    virtual void synchroniserDossier(const QString &dossier) = 0;
    // Writes a compacted copy of the database `base` to the file
    // `destination` (which must not exist), in the program's current format;
    // reports its progress.
    virtual void compacter(const QString &base, const QString &destination, const Progression &progression) = 0;
};

// The real operations (POSIX calls; the compaction is SQLite's VACUUM INTO).
OperationsFichiers &operationsSysteme();
