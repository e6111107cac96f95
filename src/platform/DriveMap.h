#pragma once
// Windows paths over the Wine prefix's drives. The core keeps Windows paths
// ("C:\Program Files\...") everywhere; only platform/ turns them into host paths.

#include "platform/Result.h"
#include "platform/WindowsInstallation.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace platform {

class TemporaryFolder;

struct Drive {
    QChar letter;     // upper case
    QString hostRoot; // absolute host path, no trailing '/' except for "/"
};

// Where a Windows installation's partitions are mounted on this machine.
struct MountLookup {
    QString partUuids = QStringLiteral("/dev/disk/by-partuuid");
    QString blockDevices = QStringLiteral("/sys/class/block");
    QString mountInfo = QStringLiteral("/proc/self/mountinfo");
};

class DriveMap {
public:
    DriveMap(); // no prefix: only Z: -> /
    // Reads <prefixDir>/dosdevices/<letter>: links; Z: -> / always exists.
    static DriveMap fromPrefix(const QString& prefixDir);
    // $WINEPREFIX, else ~/.wine when it exists, else empty.
    static QString defaultPrefix();

    // The drives of a mounted Windows installation: C: is its mount point; the
    // other letters of its SYSTEM hive (MountedDevices) whose partition is
    // mounted here, the rest left out with a line in `notes`. Z: -> / as under
    // Wine, so that host folders (the backup's target) keep a Windows form.
    static DriveMap fromWindows(const WindowsInstallation& windows, QStringList* notes = nullptr,
                                const MountLookup& lookup = {});
    // The drives of the mounted Windows installation when there is one, else of
    // the default prefix.
    static DriveMap current(const std::optional<WindowsInstallation>& windows = {});

    const QString& prefixDir() const { return prefix_; } // empty for a Windows installation
    const QString& windowsRoot() const { return windowsRoot_; }
    const std::vector<Drive>& drives() const { return drives_; }
    std::optional<QString> driveRoot(QChar letter) const;

    // "C:\Program Files\Eudora\x.toc" -> host path. Each existing component is
    // matched exactly first, then without regard to case; missing components are
    // kept as written. ".." never climbs above the drive root. Fails for a path
    // without a known drive letter.
    Result<QString> toHost(const QString& winPath) const;
    // Host path -> Windows path, using the drive whose root is the longest prefix.
    QString toWindows(const QString& hostPath) const;

private:
    QString prefix_;
    QString windowsRoot_;
    std::vector<Drive> drives_;
};

// Text helpers on Windows paths.
QString includeTrailingBackslash(const QString& p);
QString excludeTrailingBackslash(const QString& p);
QString extractFilePath(const QString& p); // up to and including the last '\'
QString extractFileName(const QString& p); // after the last '\'

// The folder of the running executable, in Windows form, with a trailing '\'.
QString programFolder(const DriveMap& drives);
// Host path of the folder of the running executable.
QString programHostFolder();
// The prefix's Windows folder ("C:\windows" as the prefix spells it).
QString windowsFolder(const DriveMap& drives);
// Host folder standing in for "Personal" when the registry has none:
// the XDG documents folder, else $HOME.
QString documentsFallbackHost();

// The private staging folder of this run: a TemporaryFolder under $TMPDIR
// (else /tmp), removed with all it holds on destruction. Construction removes
// the leftovers of killed runs from the same place (see TemporaryFolder.h).
class StagingFolder {
public:
    explicit StagingFolder(const DriveMap& drives);
    // Removes the leftovers described above from `base`.
    static void removeLeftovers(const QString& base);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    bool isValid() const;
    const QString& hostPath() const;
    const QString& windowsPath() const { return windows_; } // no trailing '\'

private:
    std::unique_ptr<TemporaryFolder> folder_;
    QString windows_;
};

} // namespace platform
