#include "platform/Registry.h"

#include "platform/RegistryImpl.h"
#include "platform/RegistryText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace platform {

namespace {

const QString kRunKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kOwnKey = QStringLiteral("Software\\Kelvarn");
const QString kDefaultSid = QStringLiteral("S-1-5-21-0-0-0-1000");

bool startsWith(const QStringList& parts, const QStringList& prefix) {
    if (parts.size() < prefix.size()) return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (!regtext::sameName(parts[i], prefix[i])) return false;
    return true;
}

Error denied(HKEY root, const QString& path) {
    return Error{kAccessDenied, QStringLiteral("%1\\%2 is read-only").arg(rootName(root), path)};
}

// The path inside the program's hive, or an error when it would lie deeper
// than a hive holds keys.
Result<QString> ownPath(const RegMount& m, const QStringList& parts, HKEY root,
                        const QString& path) {
    QString inner = Registry::Impl::innerPath(m, parts);
    if (HiveFile::splitPath(inner).size() > HiveFile::kMaxDepth)
        return Error{kInvalidName,
                     QStringLiteral("%1\\%2 lies too deep").arg(rootName(root), path)};
    return inner;
}

Error notFound(HKEY root, const QString& path) {
    return Error{kFileNotFound, QStringLiteral("%1\\%2 does not exist").arg(rootName(root), path)};
}

RegMount mount(const QString& at, HiveId hive, const QString& inner, bool writable = false) {
    return {HiveFile::splitPath(at), hive, inner, writable};
}

// Inside the program's hive each key sits under the full name of its root.
QString ownInner(HKEY root, const QString& path) {
    return rootName(root) + u'\\' + path;
}

} // namespace

Registry::Config
Registry::configFromEnvironment(const std::optional<WindowsInstallation>& windows) {
    Config c;
    const QString home = QDir::homePath();
    c.prefixDir = qEnvironmentVariable("WINEPREFIX");
    if (c.prefixDir.isEmpty() && QFileInfo(home + QStringLiteral("/.wine")).isDir())
        c.prefixDir = home + QStringLiteral("/.wine");
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) // relative ones are to be ignored
        config = home + QStringLiteral("/.config");
    c.ownHivePath = config + QStringLiteral("/postora/registry.reg");
    if (windows) {
        c.windows = windows;
        c.prefixDir.clear();
    }
    return c;
}

static QString prefixFile(const QString& prefix, const char* name) {
    return prefix.isEmpty() ? QString() : prefix + u'/' + QLatin1String(name);
}

static RegistrySource windowsHive(const std::optional<WindowsInstallation>& w,
                                  QString WindowsInstallation::*file) {
    return RegistrySource(w ? (*w).*file : QString(), RegistrySource::Format::WindowsHive);
}

Registry::Impl::Impl(Registry::Config c)
    : config(std::move(c)),
      system(config.windows ? windowsHive(config.windows, &WindowsInstallation::softwareHive)
                            : RegistrySource(prefixFile(config.prefixDir, "system.reg"))),
      user(config.windows ? windowsHive(config.windows, &WindowsInstallation::userHive)
                          : RegistrySource(prefixFile(config.prefixDir, "user.reg"))),
      userDefault(config.windows ? windowsHive(config.windows, &WindowsInstallation::defaultHive)
                                 : RegistrySource(prefixFile(config.prefixDir, "userdef.reg"))),
      classes(windowsHive(config.windows, &WindowsInstallation::classesHive)),
      machineSystem(windowsHive(config.windows, &WindowsInstallation::systemHive)),
      own(config.ownHivePath) {
    if (config.windows) {
        // A Windows installation keeps each of these in a hive file of its own:
        // SOFTWARE is HKLM\Software, UsrClass.dat the user's Software\Classes.
        const QString classesKey = QStringLiteral("Software\\Classes");
        hklm = {mount(kRunKey, HiveId::Own, ownInner(HKEY_LOCAL_MACHINE, kRunKey), true),
                mount(QStringLiteral("Software"), HiveId::System, {}),
                mount(QStringLiteral("System"), HiveId::MachineSystem, {})};
        hkcu = {mount(kOwnKey, HiveId::Own, ownInner(HKEY_CURRENT_USER, kOwnKey), true),
                mount(classesKey, HiveId::Classes, {}), mount({}, HiveId::User, {})};
        hkcr = {mount({}, HiveId::Classes, {}), mount({}, HiveId::User, classesKey),
                mount({}, HiveId::System, QStringLiteral("Classes"))};
        return;
    }
    hklm = {mount(kRunKey, HiveId::Own, ownInner(HKEY_LOCAL_MACHINE, kRunKey), true),
            mount({}, HiveId::System, {})};
    hkcu = {mount(kOwnKey, HiveId::Own, ownInner(HKEY_CURRENT_USER, kOwnKey), true),
            mount({}, HiveId::User, {})};
    hkcr = {mount({}, HiveId::User, QStringLiteral("Software\\Classes")),
            mount({}, HiveId::System, QStringLiteral("Software\\Classes"))};
    hkcc = {mount({}, HiveId::System,
                  QStringLiteral("System\\CurrentControlSet\\Hardware Profiles\\Current"))};
}

const HiveFile& Registry::Impl::hive(HiveId id) {
    switch (id) {
    case HiveId::System:
        return system.hive();
    case HiveId::User:
        return user.hive();
    case HiveId::UserDefault:
        return userDefault.hive();
    case HiveId::Classes:
        return classes.hive();
    case HiveId::MachineSystem:
        return machineSystem.hive();
    case HiveId::Own:
        break;
    }
    return own.hive();
}

const std::vector<RegMount>& Registry::Impl::mounts(HKEY root) {
    switch (root) {
    case HKEY_LOCAL_MACHINE:
        return hklm;
    case HKEY_CURRENT_USER:
        return hkcu;
    case HKEY_CLASSES_ROOT:
        return hkcr;
    case HKEY_CURRENT_CONFIG:
        return hkcc;
    case HKEY_USERS: {
        // The user's own key is named after the SID that user.reg was saved for.
        QString sid = HiveFile::splitPath(hive(HiveId::User).relativeTo()).value(2);
        if (sid.isEmpty()) sid = kDefaultSid;
        if (sid != userSid || hku.empty()) {
            userSid = sid;
            hku = {mount(sid + u'\\' + kOwnKey, HiveId::Own, ownInner(HKEY_CURRENT_USER, kOwnKey),
                         true),
                   mount(sid, HiveId::User, {}),
                   mount(QStringLiteral(".Default"), HiveId::UserDefault, {})};
        }
        return hku;
    }
    default:
        return none;
    }
}

QString Registry::Impl::innerPath(const RegMount& m, const QStringList& parts) {
    QString p = m.inner;
    for (qsizetype i = m.at.size(); i < parts.size(); ++i) {
        if (!p.isEmpty()) p += u'\\';
        p += parts[i];
    }
    return p;
}

RegView Registry::Impl::view(HKEY root, const QStringList& parts) {
    RegView v;
    for (const RegMount& m : mounts(root)) {
        if (startsWith(parts, m.at)) {
            if (HiveKey* k = hive(m.hive).findKey(innerPath(m, parts))) v.layers.push_back({k, &m});
            if (m.writable) break;
        } else if (startsWith(m.at, parts) && hive(m.hive).findKey(m.inner)) {
            v.virtualSubKeys.append(m.at[parts.size()]);
        }
    }
    v.exists = !v.layers.empty() || !v.virtualSubKeys.isEmpty() ||
               (parts.isEmpty() && !rootName(root).isEmpty());
    return v;
}

const RegMount* Registry::Impl::writableMount(HKEY root, const QStringList& parts) {
    for (const RegMount& m : mounts(root))
        if (m.writable && startsWith(parts, m.at)) return &m;
    return nullptr;
}

std::vector<RegValue> Registry::Impl::values(HKEY root, const QString& path) {
    const RegView v = view(root, HiveFile::splitPath(path));
    if (v.layers.size() == 1) return v.layers.front().key->values();
    std::vector<RegValue> out;
    QHash<QString, size_t> seen;
    // The lower hive's values first, those of the one above replacing them by name.
    for (auto layer = v.layers.rbegin(); layer != v.layers.rend(); ++layer) {
        for (const RegValue& val : layer->key->values()) {
            const QString folded = regtext::foldName(val.name);
            if (auto it = seen.constFind(folded); it != seen.constEnd()) {
                out[*it] = val;
            } else {
                seen.insert(folded, out.size());
                out.push_back(val);
            }
        }
    }
    return out;
}

QStringList Registry::Impl::valueNames(HKEY root, const QString& path) {
    const RegView v = view(root, HiveFile::splitPath(path));
    QStringList names;
    QHash<QString, qsizetype> seen;
    for (auto layer = v.layers.rbegin(); layer != v.layers.rend(); ++layer) {
        for (const RegValue& val : layer->key->values()) {
            if (v.layers.size() > 1) { // as values() merges them
                const QString folded = regtext::foldName(val.name);
                if (auto it = seen.constFind(folded); it != seen.constEnd()) {
                    names[*it] = val.name;
                    continue;
                }
                seen.insert(folded, names.size());
            }
            names.append(val.name);
        }
    }
    return names;
}

std::optional<RegValue> Registry::Impl::value(HKEY root, const QString& path, const QString& name) {
    for (const RegView::Layer& layer : view(root, HiveFile::splitPath(path)).layers)
        if (const RegValue* val = layer.key->value(name)) return *val;
    return std::nullopt;
}

QStringList Registry::Impl::subKeyNames(HKEY root, const QString& path) {
    QStringList parts = HiveFile::splitPath(path);
    const RegView v = view(root, parts);
    QStringList names = v.virtualSubKeys;
    const std::vector<RegMount>& all = mounts(root);
    parts.append(QString());
    for (const RegView::Layer& layer : v.layers) {
        for (const QString& name : layer.key->subKeyNames()) {
            // A key below which the program's hive is mounted shows that hive only.
            parts.last() = name;
            const bool hidden = std::any_of(all.begin(), all.end(), [&](const RegMount& m) {
                return m.writable && &m != layer.mount && startsWith(parts, m.at);
            });
            if (!hidden) names.append(name);
        }
    }
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return regtext::compareNames(a, b) < 0;
    });
    auto last = std::unique(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return regtext::sameName(a, b);
    });
    names.erase(last, names.end());
    return names;
}

Status Registry::Impl::writeValue(HKEY root, const QString& path, const RegValue& v) {
    const QStringList parts = HiveFile::splitPath(path);
    const RegMount* m = writableMount(root, parts);
    if (!m) return denied(root, path);
    const Result<QString> inner = ownPath(*m, parts, root, path);
    if (!inner) return inner.status();
    return own.change([&](HiveFile& h) {
        HiveKey& k = h.key(*inner);
        const RegValue* old = k.value(v.name);
        if (old && old->type == v.type && old->data == v.data) return false; // nothing to save
        k.setValue(v);
        k.touch();
        return true;
    });
}

Status Registry::Impl::deleteValue(HKEY root, const QString& path, const QString& name) {
    const QStringList parts = HiveFile::splitPath(path);
    const RegMount* m = writableMount(root, parts);
    if (!m) return denied(root, path);
    bool inOwn = false;
    bool elsewhere = false;
    for (const RegView::Layer& layer : view(root, parts).layers) {
        if (layer.key->value(name)) (layer.mount->writable ? inOwn : elsewhere) = true;
    }
    if (!inOwn)
        return elsewhere ? denied(root, path + u'\\' + name) : notFound(root, path + u'\\' + name);
    const QString inner = innerPath(*m, parts);
    return own.change([&](HiveFile& h) {
        HiveKey* k = h.findKey(inner);
        if (!k || !k->removeValue(name)) return false;
        k->touch();
        return true;
    });
}

Status Registry::Impl::createKey(HKEY root, const QString& path) {
    const QStringList parts = HiveFile::splitPath(path);
    if (view(root, parts).exists) return Status::ok();
    const RegMount* m = writableMount(root, parts);
    if (!m) return denied(root, path);
    const Result<QString> inner = ownPath(*m, parts, root, path);
    if (!inner) return inner.status();
    return own.change([&](HiveFile& h) {
        const bool existed = h.findKey(*inner) != nullptr;
        h.key(*inner);
        return !existed;
    });
}

Status Registry::Impl::deleteKey(HKEY root, const QString& path) {
    const QStringList parts = HiveFile::splitPath(path);
    const RegView v = view(root, parts);
    if (!v.exists) return notFound(root, path);
    const RegMount* m = writableMount(root, parts);
    if (!m || parts.isEmpty()) return denied(root, path);
    for (const RegView::Layer& layer : v.layers)
        if (!layer.mount->writable) return denied(root, path);
    const QString inner = innerPath(*m, parts);
    return own.change([&](HiveFile& h) { return h.removeKey(inner); });
}

Registry::Registry(Config config) : d(std::make_unique<Impl>(std::move(config))) {}
Registry::~Registry() = default;

const Registry::Config& Registry::config() const {
    return d->config;
}

Result<RegKey> Registry::open(HKEY root, const QString& path, bool create) {
    if (rootName(root).isEmpty())
        return Error{kInvalidHandle, QStringLiteral("Unknown registry root %1").arg(root, 0, 16)};
    const QString clean = HiveFile::splitPath(path).join(u'\\');
    if (create) {
        if (Status st = d->createKey(root, clean); !st) return st.error();
    } else if (!d->view(root, HiveFile::splitPath(clean)).exists) {
        return notFound(root, clean);
    }
    return RegKey(this, root, clean);
}

bool Registry::keyExists(HKEY root, const QString& path) {
    return d->view(root, HiveFile::splitPath(path)).exists;
}

Status Registry::deleteKey(HKEY root, const QString& path) {
    return d->deleteKey(root, path);
}

int Registry::skippedLines() const {
    return d->system.skippedLines() + d->user.skippedLines() + d->userDefault.skippedLines() +
           d->own.skippedLines();
}

} // namespace platform
