#pragma once

#include <QString>
#include <vector>

namespace Maintenance {

// A mounted file system, as the drive search sees it: its root folder, whether
// its medium is removable (a USB key, a card) and whether it is a floppy drive
// (which plays drive A of the original platform, never searched).
struct Lecteur
{
    QString racine;
    bool amovible = false;
    bool disquette = false;
};

class SourceLecteurs
{
public:
    virtual ~SourceLecteurs() = default;
    // The drives in mount-point order. Throws RuntimeError when they cannot be listed.
    virtual std::vector<Lecteur> lecteurs() = 0;
};

// The machine's drives: the file systems of /proc/self/mountinfo mounted from
// a block device at that file system's root, removable when the device's disk
// (a partition's parent) has /sys/block/<disk>/removable = 1. Loop, device-
// mapper, RAM and optical devices are never removable; fd* are floppy drives.
// The roots of /proc and /sys can be moved for tests.
class LecteursSysteme final : public SourceLecteurs
{
public:
    explicit LecteursSysteme(QString racineProc = QStringLiteral("/proc"),
                             QString racineSys = QStringLiteral("/sys"));
    std::vector<Lecteur> lecteurs() override;

private:
    QString m_proc;
    QString m_sys;
};

} // namespace Maintenance
