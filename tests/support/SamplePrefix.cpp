#include "support/SamplePrefix.h"

#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/HiveFile.h"
#include "support/SampleTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <optional>

#include <pwd.h>
#include <unistd.h>

namespace support {

namespace {

const char* const kEnvNames[] = {"WINEPREFIX", "XDG_CONFIG_HOME", "HOME", "TMPDIR",
                                 "DBUS_SESSION_BUS_ADDRESS"};

QString loginName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("user");
}

bool writeHostFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size()) {
        qWarning() << "SamplePrefix: cannot write" << path;
        return false;
    }
    return true;
}

} // namespace

struct SamplePrefix::Impl {
    std::optional<QTemporaryDir> tmp;
    QString root;
    QString user;
    platform::HiveFile userHive;
    platform::HiveFile systemHive;
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> savedEnv;

    // The hive and the key path in it for a root handle and a key path.
    std::pair<platform::HiveFile*, QString> locate(platform::HKEY rootKey, const QString& path) {
        switch (rootKey) {
        case platform::HKEY_CURRENT_USER:
            return {&userHive, path};
        case platform::HKEY_LOCAL_MACHINE:
            return {&systemHive, path};
        case platform::HKEY_CLASSES_ROOT:
            return {&systemHive, QStringLiteral("Software\\Classes\\") + path};
        default:
            qWarning() << "SamplePrefix: no hive for root" << Qt::hex << rootKey;
            return {nullptr, path};
        }
    }

    void build() {
        for (const char* name : kEnvNames) {
            savedEnv.emplace_back(name, qEnvironmentVariableIsSet(name)
                                            ? std::optional<QByteArray>(qgetenv(name))
                                            : std::nullopt);
        }
        const QString prefix = root + QStringLiteral("/prefix");
        for (const QString& dir :
             {prefix + QStringLiteral("/dosdevices"), prefix + QStringLiteral("/drive_c"),
              root + QStringLiteral("/config"), root + QStringLiteral("/home"),
              root + QStringLiteral("/tmp")})
            QDir().mkpath(dir);
        const QString devices = prefix + QStringLiteral("/dosdevices/");
        for (const auto& [name, target] : {std::pair{"c:", "../drive_c"}, std::pair{"z:", "/"}}) {
            const QString link = devices + QLatin1String(name);
            if (!QFileInfo(link).isSymLink() && !QFile::link(QLatin1String(target), link))
                qWarning() << "SamplePrefix: cannot link" << link;
        }
        for (const QString& dir : newPrefixFolders(user))
            QDir().mkpath(prefix + QStringLiteral("/drive_c/") + QString(dir).replace(u'\\', u'/'));
        for (const auto& [path, content] : newPrefixFiles())
            writeHostFile(prefix + QStringLiteral("/drive_c/") + QString(path).replace(u'\\', u'/'),
                          content);

        userHive.setRelativeTo(QStringLiteral("REGISTRY\\User\\S-1-5-21-0-0-0-1000"));
        systemHive.setRelativeTo(QStringLiteral("REGISTRY\\Machine"));
        for (const SampleValue& v : newPrefixValues(user)) {
            auto [hive, path] = locate(v.root, v.keyPath);
            hive->setValue(path, v.value);
        }

        qputenv("WINEPREFIX", QFile::encodeName(prefix));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
        qputenv("HOME", QFile::encodeName(root + QStringLiteral("/home")));
        qputenv("TMPDIR", QFile::encodeName(root + QStringLiteral("/tmp")));
        // No notification of a test run reaches the desktop of the person running the tests.
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                QFile::encodeName(QStringLiteral("unix:path=") + root + QStringLiteral("/no-bus")));
    }
};

SamplePrefix::SamplePrefix() : d(std::make_unique<Impl>()) {
    d->tmp.emplace();
    if (!d->tmp->isValid()) qFatal("SamplePrefix: no temporary folder");
    d->root = d->tmp->path();
    d->user = loginName();
    d->build();
    save();
}

SamplePrefix::SamplePrefix(const QString& rootDir) : d(std::make_unique<Impl>()) {
    QDir().mkpath(rootDir);
    d->root = QFileInfo(rootDir).absoluteFilePath();
    d->user = loginName();
    d->build();
    save();
}

SamplePrefix::~SamplePrefix() {
    for (const auto& [name, value] : d->savedEnv) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
}

QString SamplePrefix::root() const {
    return d->root;
}
QString SamplePrefix::prefixDir() const {
    return d->root + QStringLiteral("/prefix");
}
QString SamplePrefix::configHome() const {
    return d->root + QStringLiteral("/config");
}
QString SamplePrefix::home() const {
    return d->root + QStringLiteral("/home");
}
QString SamplePrefix::userName() const {
    return d->user;
}

QString SamplePrefix::hostPath(const QString& winPath) const {
    return drives().toHost(winPath).valueOr(QString());
}

void SamplePrefix::setValue(platform::HKEY root, const QString& keyPath,
                            const platform::RegValue& v) {
    auto [hive, path] = d->locate(root, keyPath);
    if (hive) hive->setValue(path, v);
}

void SamplePrefix::setString(platform::HKEY root, const QString& keyPath, const QString& name,
                             const QString& text) {
    setValue(root, keyPath, platform::RegValue::string(name, text));
}

void SamplePrefix::setDword(platform::HKEY root, const QString& keyPath, const QString& name,
                            quint32 v) {
    setValue(root, keyPath, platform::RegValue::dword(name, v));
}

void SamplePrefix::addKey(platform::HKEY root, const QString& keyPath) {
    auto [hive, path] = d->locate(root, keyPath);
    if (hive) hive->key(path);
}

void SamplePrefix::removeValue(platform::HKEY root, const QString& keyPath, const QString& name) {
    auto [hive, path] = d->locate(root, keyPath);
    if (platform::HiveKey* k = hive ? hive->findKey(path) : nullptr) k->removeValue(name);
}

void SamplePrefix::removeKey(platform::HKEY root, const QString& keyPath) {
    auto [hive, path] = d->locate(root, keyPath);
    if (hive) hive->removeKey(path);
}

void SamplePrefix::save() {
    writeHostFile(prefixDir() + QStringLiteral("/user.reg"), d->userHive.serialize());
    writeHostFile(prefixDir() + QStringLiteral("/system.reg"), d->systemHive.serialize());
}

QString SamplePrefix::writeFile(const QString& winPath, const QByteArray& content) {
    const QString host = hostPath(winPath);
    if (host.isEmpty()) {
        qWarning() << "SamplePrefix: no host path for" << winPath;
        return {};
    }
    return writeHostFile(host, content) ? host : QString();
}

QString SamplePrefix::makeDir(const QString& winPath) {
    const QString host = hostPath(winPath);
    if (host.isEmpty() || !QDir().mkpath(host)) {
        qWarning() << "SamplePrefix: cannot make" << winPath;
        return {};
    }
    return host;
}

platform::DriveMap SamplePrefix::drives() const {
    return platform::DriveMap::fromPrefix(prefixDir());
}

std::unique_ptr<platform::Files> SamplePrefix::files() const {
    return std::make_unique<platform::Files>(drives());
}

} // namespace support
