#include "app/SettingsStore.h"

#include "app/Password.h"
#include "base/ErrorLine.h"
#include "base/Interaction.h"

#include "lang/LanguageFiles.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"

#include <QDate>
#include <QTime>

#include <climits>
#include <optional>

namespace app {

using platform::HKEY_CURRENT_USER;
using platform::RegKey;
using platform::Status;

const QString SettingsStore::kKeyPath = QStringLiteral("Software\\Kelvarn\\Postora");

namespace {

const QString kLastClient = QStringLiteral("LastClient");
const QString kIdentity = QStringLiteral("Identity");
const QString kItems = QStringLiteral("Items");

// Reads values of one key; a value that is missing or unusable is replaced by
// its default in the registry. Remembers the first write that failed.
class Values {
public:
    // writable = false reads only: nothing is created or written back.
    explicit Values(platform::Registry& reg, bool writable = true) : writable_(writable) {
        auto opened = reg.open(HKEY_CURRENT_USER, SettingsStore::kKeyPath, writable);
        if (opened)
            key_ = opened.value();
        else
            status_ = opened.status();
    }

    int readInt(const QString& name, int def, int lo = INT_MIN, int hi = INT_MAX) {
        const std::optional<qint32> v = valid() ? key_.readInt(name) : std::nullopt;
        if (v && *v >= lo && *v <= hi) return *v;
        writeInt(name, def);
        return def;
    }
    bool readBool(const QString& name, bool def) {
        const std::optional<qint32> v = valid() ? key_.readInt(name) : std::nullopt;
        if (v) return *v != 0;
        writeBool(name, def);
        return def;
    }
    // emptyIsMissing: an empty text also takes the default.
    QString readText(const QString& name, const QString& def, bool emptyIsMissing) {
        const std::optional<QString> v = valid() ? key_.readString(name) : std::nullopt;
        if (v && !(emptyIsMissing && v->isEmpty())) return *v;
        writeText(name, def);
        return def;
    }
    QDateTime readDateTime(const QString& name, const QDateTime& def) {
        const std::optional<QDateTime> v = valid() ? key_.readDateTime(name) : std::nullopt;
        if (v && v->isValid()) return *v;
        writeDateTime(name, def);
        return def;
    }

    void writeInt(const QString& name, int v) {
        if (valid() && writable_) note(key_.writeInt(name, v));
    }
    void writeBool(const QString& name, bool v) { writeInt(name, v ? 1 : 0); }
    void writeText(const QString& name, const QString& v) {
        if (valid() && writable_) note(key_.writeString(name, v));
    }
    void writeDateTime(const QString& name, const QDateTime& v) {
        if (valid() && writable_) note(key_.writeDateTime(name, v));
    }

    bool valid() const { return key_.isValid(); }
    const RegKey& key() const { return key_; }
    const Status& status() const { return status_; }

private:
    void note(const Status& st) {
        if (!st && status_) status_ = st;
    }
    bool writable_;
    RegKey key_;
    Status status_;
};

void noteFailure(Status& first, const Status& st) {
    if (!st && first) first = st;
}

QList<base::TickedName> readTicks(platform::Registry& reg, const QString& path) {
    QList<base::TickedName> ticks;
    auto key = reg.open(HKEY_CURRENT_USER, path, false);
    if (!key) return ticks;
    for (const QString& name : key->valueNames()) {
        // A value of another type is no tick.
        if (const std::optional<qint32> v = key->readInt(name)) ticks.append({name, *v != 0});
    }
    return ticks;
}

Status writeTicks(platform::Registry& reg, const QString& path,
                  const QList<base::TickedName>& ticks) {
    auto key = reg.open(HKEY_CURRENT_USER, path, true);
    if (!key) return key.status();
    Status first;
    for (const base::TickedName& t : ticks)
        noteFailure(first, key.value().writeInt(t.name, t.ticked ? 1 : 0));
    return first;
}

} // namespace

SettingsStore::SettingsStore(platform::Registry& reg, const platform::Files& fs)
    : reg_(reg), fs_(fs) {}

void SettingsStore::InitFolders() {
    s_.programFolder = platform::programFolder(fs_.drives());
    QString personal = platform::shellFolder(reg_, QStringLiteral("Personal"));
    // Without a documents folder of the prefix the host's stands in.
    if (personal.isEmpty()) personal = fs_.drives().toWindows(platform::documentsFallbackHost());
    s_.documentsFolder = platform::includeTrailingBackslash(personal);
}

void SettingsStore::LoadOptionSettings() {
    Values v(reg_, writeDefaults_);
    s_.language = v.readText(QStringLiteral("Language"), QStringLiteral("English"), false);
    const lang::LanguageList list = lang::listLanguages(fs_, s_.programFolder, s_.language);
    s_.languages = list.names;
    s_.languageIndex = list.selected;

    s_.multipleVolumes = v.readBool(QStringLiteral("MultipleVolumes"), false);
    s_.volumes = base::VolumeMedia(v.readInt(QStringLiteral("Volumes"), 4, 0, 4));
    s_.backupMode = base::BackupMode(v.readInt(QStringLiteral("BackupMode"), 2, 1, 3));
    s_.oldBackupMode = base::BackupMode(v.readInt(QStringLiteral("OldBackupMode"), 3, 1, 3));
    s_.backupKeep = v.readInt(QStringLiteral("BackupKeep"), 3, 1, 99);
    s_.backupUsePsw = v.readBool(QStringLiteral("BackupUsePsw"), false);

    // A stored text that does not decode gives no password but stays as it is
    // until the next save.
    const QString psw = QStringLiteral("BackupPsw");
    if (v.valid() && v.key().valueExists(psw)) {
        s_.backupPassword = DecodePassword(v.key().readString(psw).value_or(QString()));
    } else {
        s_.backupPassword.clear();
        v.writeText(psw, EncodePassword(QString()));
    }
}

void SettingsStore::LoadMainSettings(int windowLeft, int windowTop) {
    Values v(reg_, writeDefaults_);
    s_.x = v.readInt(QStringLiteral("X"), windowLeft);
    s_.y = v.readInt(QStringLiteral("Y"), windowTop);
    s_.backupDir = v.readText(QStringLiteral("BackupDir"), s_.documentsFolder, true);
    s_.wizardMode = v.readBool(QStringLiteral("Wizard mode"), true);
    s_.scheduleEnabled = v.readBool(QStringLiteral("ZuveDizizo"), false);
    s_.scheduleDir = platform::includeTrailingBackslash(
        v.readText(QStringLiteral("ZuveDizizoDir"),
                   s_.documentsFolder + QStringLiteral("ZuveDizizo\\"), true));
    const QDateTime now = QDateTime::currentDateTime();
    s_.backupTime =
        v.readDateTime(QStringLiteral("BackupTime"), QDateTime(QDate(1899, 12, 30), now.time()));
    s_.backupDate =
        v.readDateTime(QStringLiteral("BackupDate"), QDateTime(now.date(), QTime(0, 0)));
    s_.backupPeriod = base::BackupPeriod(v.readInt(QStringLiteral("BackupPeriod"), 3, 0, 3));
    s_.backupInterval = v.readInt(QStringLiteral("BackupInterval"), 2, 1, INT_MAX);
}

Status SettingsStore::SaveMainSettings(int windowLeft, int windowTop) {
    s_.x = windowLeft;
    s_.y = windowTop;
    Values v(reg_);
    v.writeInt(QStringLiteral("X"), s_.x);
    v.writeInt(QStringLiteral("Y"), s_.y);
    v.writeBool(QStringLiteral("Wizard mode"), s_.wizardMode);
    v.writeBool(QStringLiteral("ZuveDizizo"), s_.scheduleEnabled);
    v.writeText(QStringLiteral("BackupDir"), s_.backupDir);
    v.writeText(QStringLiteral("ZuveDizizoDir"), s_.scheduleDir);
    v.writeDateTime(QStringLiteral("BackupTime"), s_.backupTime);
    v.writeDateTime(QStringLiteral("BackupDate"), s_.backupDate);
    v.writeInt(QStringLiteral("BackupPeriod"), int(s_.backupPeriod));
    v.writeInt(QStringLiteral("BackupInterval"), s_.backupInterval);
    return v.status();
}

Status SettingsStore::SaveOptionSettings(const base::BackupModeControls& controls) {
    Values v(reg_);
    v.writeText(QStringLiteral("Language"), s_.language);
    v.writeBool(QStringLiteral("MultipleVolumes"), s_.multipleVolumes);
    v.writeInt(QStringLiteral("Volumes"), int(s_.volumes));
    const base::BackupMode before = s_.backupMode;
    v.writeInt(QStringLiteral("OldBackupMode"), int(before));
    // The field beside "Keep only the last" turns an empty text or 0 into 1.
    s_.backupKeep = qMax(1, controls.keep);
    s_.backupMode = base::BackupModeFromControls(controls, before);
    s_.oldBackupMode = before;
    v.writeInt(QStringLiteral("BackupMode"), int(s_.backupMode));
    v.writeInt(QStringLiteral("BackupKeep"), s_.backupKeep);
    v.writeBool(QStringLiteral("BackupUsePsw"), s_.backupUsePsw);
    v.writeText(QStringLiteral("BackupPsw"), EncodePassword(s_.backupPassword));
    return v.status();
}

Status SettingsStore::SaveLastClient(int code, const QList<base::TickedName>& identities,
                                     const QList<base::TickedName>& items) {
    const QString last = kKeyPath + QLatin1Char('\\') + kLastClient;
    const QString identityPath = last + QLatin1Char('\\') + kIdentity;
    const QString itemsPath = last + QLatin1Char('\\') + kItems;
    Status first;
    // Deleting a key that is not there is no failure.
    if (reg_.keyExists(HKEY_CURRENT_USER, identityPath))
        noteFailure(first, reg_.deleteKey(HKEY_CURRENT_USER, identityPath));
    if (auto key = reg_.open(HKEY_CURRENT_USER, last, true))
        noteFailure(first, key.value().writeInt(QStringLiteral("Code"), code));
    else
        noteFailure(first, key.status());
    noteFailure(first, writeTicks(reg_, identityPath, identities));
    if (reg_.keyExists(HKEY_CURRENT_USER, itemsPath))
        noteFailure(first, reg_.deleteKey(HKEY_CURRENT_USER, itemsPath));
    noteFailure(first, writeTicks(reg_, itemsPath, items));
    return first;
}

base::LastClient SettingsStore::RestoreLastClient() const {
    base::LastClient lc;
    const QString last = kKeyPath + QLatin1Char('\\') + kLastClient;
    auto key = reg_.open(HKEY_CURRENT_USER, last, false);
    if (!key) return lc;
    lc.code = key->readInt(QStringLiteral("Code")).value_or(0);
    lc.identities = readTicks(reg_, last + QLatin1Char('\\') + kIdentity);
    lc.items = readTicks(reg_, last + QLatin1Char('\\') + kItems);
    return lc;
}

void ReportFailedSave(base::Interaction& ui, const platform::Status& saved) {
    if (saved) return;
    base::WriteErrorLine(
        QStringLiteral("postora: the settings were not saved: %1").arg(saved.message()));
    ui.showError(saved.message());
}

} // namespace app
