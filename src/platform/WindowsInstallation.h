#pragma once
// A Windows installation whose system drive is mounted on this machine: the
// second kind of source beside the Wine prefix. Its C: drive is the mount
// point, its registry the binary hives of one user profile and the machine.

#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

struct WindowsInstallation {
    QString root;         // host folder of the mounted drive (C:)
    QString user;         // the profile folder's name
    QString profile;      // host folder of the profile
    QString userHive;     // NTUSER.DAT: HKEY_CURRENT_USER
    QString classesHive;  // UsrClass.dat: HKCU\Software\Classes; empty when there is none
    QString softwareHive; // SOFTWARE: HKLM\Software
    QString systemHive;   // SYSTEM: HKLM\System and the drive letters; empty when absent
    QString defaultHive;  // DEFAULT: HKEY_USERS\.Default; empty when absent
    // What the person should know that does not stop a backup.
    QStringList notes;
};

// Returned by findWindowsInstallation when there are several profiles and no
// user was named; the message lists them.
inline constexpr int kSeveralProfiles = kMoreData;

// The user profiles of the installation below Users\ (or Documents and
// Settings\ on older systems), the templates and the shared one left out.
QStringList windowsProfiles(const QString& root);

// The installation mounted at `root`, for the profile named `user` (without
// regard to case; empty = the only profile). Every hive is checked: a missing,
// cut-short, damaged or dirty one fails, naming the file.
Result<WindowsInstallation> findWindowsInstallation(const QString& root, const QString& user);

} // namespace platform
