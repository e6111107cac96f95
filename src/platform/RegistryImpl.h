#pragma once
// Inside the Registry: each root is a stack of mounts, places where a hive
// (or a key inside one) shows up. A key of the registry is the union of what
// the mounts covering its path hold (HKCR merges two hives this way), except
// that a mount of the program's own hive hides everything the prefix holds at
// and below its place. A mount deeper down also makes the keys on the way to
// it exist.

#include "platform/Registry.h"
#include "platform/RegistryOwnHive.h"
#include "platform/RegistrySource.h"

#include <vector>

namespace platform {

enum class HiveId { System, User, UserDefault, Own, Classes, MachineSystem };

struct RegMount {
    QStringList at; // where it shows up, below the root
    HiveId hive;
    QString inner;         // the key inside the hive shown there
    bool writable = false; // the program's own hive; hides what lies below it
};

// What one path of one root resolves to.
struct RegView {
    struct Layer {
        HiveKey* key;
        const RegMount* mount;
    };
    std::vector<Layer> layers;  // the mount listed first wins
    QStringList virtualSubKeys; // next steps towards deeper mounts
    bool exists = false;
};

struct Registry::Impl {
    explicit Impl(Registry::Config c);

    const HiveFile& hive(HiveId id);
    const std::vector<RegMount>& mounts(HKEY root);
    RegView view(HKEY root, const QStringList& parts);
    // The writable mount covering the path, nullptr when the path is read-only.
    const RegMount* writableMount(HKEY root, const QStringList& parts);
    static QString innerPath(const RegMount& m, const QStringList& parts);

    std::vector<RegValue> values(HKEY root, const QString& path);
    QStringList valueNames(HKEY root, const QString& path);
    std::optional<RegValue> value(HKEY root, const QString& path, const QString& name);
    QStringList subKeyNames(HKEY root, const QString& path);
    Status writeValue(HKEY root, const QString& path, const RegValue& v);
    Status deleteValue(HKEY root, const QString& path, const QString& name);
    Status createKey(HKEY root, const QString& path);
    Status deleteKey(HKEY root, const QString& path);

    Registry::Config config;
    RegistrySource system;
    RegistrySource user;
    RegistrySource userDefault;
    RegistrySource classes;       // a Windows profile's UsrClass.dat
    RegistrySource machineSystem; // a Windows installation's SYSTEM
    RegistryOwnHive own;
    QString userSid;
    std::vector<RegMount> hklm, hkcu, hkcr, hku, hkcc, none;
};

} // namespace platform
