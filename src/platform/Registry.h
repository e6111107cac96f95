#pragma once
// The registry as the program sees it: the Wine prefix's hives (read-only) and
// the program's own hive (read-write), behind Win32-like operations.

#include "platform/Result.h"
#include "platform/WindowsInstallation.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace platform {

using HKEY = quint32;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

enum RegType : quint32 {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_DWORD_BIG_ENDIAN = 5,
    REG_LINK = 6,
    REG_MULTI_SZ = 7,
    REG_RESOURCE_LIST = 8,
    REG_FULL_RESOURCE_DESCRIPTOR = 9,
    REG_RESOURCE_REQUIREMENTS_LIST = 10,
    REG_QWORD = 11,
};

// One value as Windows stores it: string types hold UTF-16LE with the
// terminating NUL, REG_DWORD four little-endian bytes.
struct RegValue {
    QString name; // empty = the default value ("@")
    quint32 type = REG_NONE;
    QByteArray data;

    // Text of a string-typed value (REG_SZ, REG_EXPAND_SZ, REG_LINK; REG_MULTI_SZ
    // with its NUL separators kept); trailing NULs removed.
    QString text() const;
    static RegValue string(const QString& name, const QString& text, quint32 type = REG_SZ);
    static RegValue dword(const QString& name, quint32 v);
    static RegValue binary(const QString& name, const QByteArray& bytes);
    friend bool operator==(const RegValue&, const RegValue&) = default;
};

class Registry;

// An open key: a light handle (root + path) with nothing to close. It resolves
// its path on every call, so it stays right when a hive is re-read.
class RegKey {
public:
    RegKey() = default;
    bool isValid() const { return reg_ != nullptr; }
    HKEY root() const { return root_; }
    const QString& path() const { return path_; }

    bool exists() const;
    bool valueExists(const QString& name) const;
    std::optional<RegValue> value(const QString& name) const;
    std::optional<quint32> valueType(const QString& name) const;
    QStringList valueNames() const;       // in creation order
    std::vector<RegValue> values() const; // all of them with their data, in creation order
    QStringList subKeyNames() const;      // sorted without regard to case
    bool hasSubKey(const QString& relPath) const;

    // Typed reads: nullopt when absent or of another type.
    std::optional<QString> readString(const QString& name) const; // REG_SZ or REG_EXPAND_SZ
    std::optional<qint32> readInt(const QString& name) const;     // REG_DWORD
    std::optional<QByteArray> readBinary(const QString& name) const;
    std::optional<QDateTime> readDateTime(const QString& name) const; // 8-byte OLE date

    // Writes succeed only inside the program's own hive; elsewhere kAccessDenied.
    Status writeValue(const RegValue& v);
    Status writeString(const QString& name, const QString& text);
    Status writeExpandString(const QString& name, const QString& text);
    Status writeInt(const QString& name, qint32 v);
    Status writeBinary(const QString& name, const QByteArray& bytes);
    Status writeDateTime(const QString& name, const QDateTime& t);
    Status deleteValue(const QString& name);
    Status deleteSubKey(const QString& relPath); // with everything below it

    Result<RegKey> openSubKey(const QString& relPath, bool create = false) const;

private:
    friend class Registry;
    RegKey(Registry* reg, HKEY root, QString path)
        : reg_(reg), root_(root), path_(std::move(path)) {}
    Registry* reg_ = nullptr;
    HKEY root_ = 0;
    QString path_;
};

// One per process, used from one thread (the UI thread): it holds no locks of
// its own in memory. Other processes sharing the program's hive are seen.
class Registry {
public:
    struct Config {
        QString prefixDir;   // host folder of the Wine prefix; empty = no prefix
        QString ownHivePath; // host path of the program's own hive file
        // Read instead of the prefix: the binary hives of a mounted Windows.
        std::optional<WindowsInstallation> windows = std::nullopt;
    };
    // $WINEPREFIX (else ~/.wine when it exists) and $XDG_CONFIG_HOME/postora/registry.reg;
    // the mounted Windows installation instead of the prefix when there is one.
    static Config configFromEnvironment(const std::optional<WindowsInstallation>& windows = {});

    explicit Registry(Config config);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    const Config& config() const;

    // Without create, a missing key fails with kFileNotFound. With create, a
    // missing key is made in the program's own hive; outside it kAccessDenied.
    Result<RegKey> open(HKEY root, const QString& path, bool create = false);
    bool keyExists(HKEY root, const QString& path);
    Status deleteKey(HKEY root, const QString& path); // with everything below it

    // Malformed lines skipped while reading the hives so far.
    int skippedLines() const;

    struct Impl;

private:
    friend class RegKey;
    friend class RegistryBatch;
    std::unique_ptr<Impl> d;
};

// Keeps the program's hive locked and saves it once, when the batch ends,
// however many changes are made meanwhile (start-up writes dozens of values).
// Other processes wait for the lock meanwhile, so keep batches short.
class RegistryBatch {
public:
    explicit RegistryBatch(Registry& reg);
    ~RegistryBatch(); // commits
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;
    // Saves and ends the batch: the lock could not be taken, or the save failed.
    Status commit();

private:
    Registry* reg_;
    bool active_ = false;
    Status begun_;
};

// Name of a root as REGEDIT writes it ("HKEY_CURRENT_USER"), empty for an unknown handle.
QString rootName(HKEY root);

} // namespace platform
