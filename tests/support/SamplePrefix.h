#pragma once
// A throw-away Wine prefix, program configuration folder and home folder in a
// temporary directory, with the environment pointed there for the test's life.

#include "platform/Registry.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace platform {
class DriveMap;
class Files;
} // namespace platform

namespace support {

class SamplePrefix {
public:
    // Writes <tmp>/prefix with dosdevices (c: -> ../drive_c, z: -> /), a drive_c
    // tree as wineboot leaves it (windows, Program Files, users/<user>/...),
    // <tmp>/config and <tmp>/home, and sets WINEPREFIX, XDG_CONFIG_HOME, HOME and
    // TMPDIR; the destructor puts the environment back.
    SamplePrefix();
    // The same tree in a folder of the caller's choice, which is kept afterwards
    // (the bundled sample). The folder is made when missing.
    explicit SamplePrefix(const QString& rootDir);
    ~SamplePrefix();
    SamplePrefix(const SamplePrefix&) = delete;
    SamplePrefix& operator=(const SamplePrefix&) = delete;

    QString root() const;                           // the temporary directory
    QString prefixDir() const;                      // host path of the prefix
    QString configHome() const;                     // XDG_CONFIG_HOME
    QString home() const;                           // HOME
    QString userName() const;                       // the Wine user folder name under C:\users
    QString hostPath(const QString& winPath) const; // C:\... -> host path below the prefix

    // Registry of the prefix, written to user.reg (HKCU) and system.reg (HKLM) by
    // save(); HKCR lands in HKLM\Software\Classes, as Wine keeps it. The
    // constructor has already saved the values a new prefix holds.
    void setValue(platform::HKEY root, const QString& keyPath, const platform::RegValue& v);
    void setString(platform::HKEY root, const QString& keyPath, const QString& name,
                   const QString& text);
    void setDword(platform::HKEY root, const QString& keyPath, const QString& name, quint32 v);
    void addKey(platform::HKEY root, const QString& keyPath);
    void removeValue(platform::HKEY root, const QString& keyPath, const QString& name);
    void removeKey(platform::HKEY root, const QString& keyPath); // with everything below it
    void save();

    // Files on the prefix's drives; parents are created. Returns the host path.
    QString writeFile(const QString& winPath, const QByteArray& content);
    QString makeDir(const QString& winPath);

    // Objects for the code under test, over this prefix and config folder.
    platform::DriveMap drives() const;
    std::unique_ptr<platform::Files> files() const;
    std::unique_ptr<platform::Registry> registry() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace support
