#include "backup/collectors/OutlookCollector.h"
#include "base/RegistryRoots.h"

#include "backup/ArchiveList.h"
#include "backup/Manifest.h"
#include "clients/layouts/OutlookLayout.h"
#include "platform/DriveMap.h"
#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace backup {

namespace {
const QString kHKCU = base::CurrentUserName();
using L = clients::OutlookLayout;
const QString kProfilesNT = QLatin1Char('\\') + L::profilesKeyNT();
const QString kProfiles9x = QLatin1Char('\\') + L::profilesKey9x();

QString fromRoot(const QString& keyPath) {
    return keyPath.startsWith(QLatin1Char('\\')) ? keyPath.mid(1) : keyPath;
}
} // namespace

bool RunOutlook(BackupContext& ctx, const BackupRequest& request) {
    OutlookCollector collector(ctx, request);
    return collector.Run();
}

QString OutlookCollector::UnicodeStorePath(const QByteArray& data) {
    if (data.size() < 4) return {};
    QString path;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const char16_t unit = char16_t(quint8(data[i]) | (quint8(data[i + 1]) << 8));
        if (unit == 0) break;
        path += QChar(unit);
    }
    return path;
}

std::optional<QString> OutlookCollector::StorePathOf(const platform::RegKey& section) {
    const QString ansi = QStringLiteral("001e6700");
    if (section.valueExists(ansi)) {
        if (const auto text = section.readString(ansi)) return *text;
        // Outlook keeps its profile properties as bytes: the text and its terminator.
        QByteArray bytes = section.readBinary(ansi).value_or(QByteArray());
        const qsizetype end = bytes.indexOf('\0');
        if (end >= 0) bytes.truncate(end);
        // Written in the ANSI code page of the user's locale, as Wine runs it.
        return platform::decodeCodePage(bytes, platform::ansiCodePage())
            .value_or(platform::fromAnsi(bytes));
    }
    const QString unicode = QStringLiteral("001f6700");
    if (section.valueExists(unicode))
        return UnicodeStorePath(section.readBinary(unicode).value_or(QByteArray()));
    return std::nullopt;
}

QString OutlookCollector::ProfileKey() const {
    const bool nt = ctx_.registry.keyExists(platform::HKEY_CURRENT_USER, fromRoot(kProfilesNT));
    const QStringList names =
        SubKeyNames(platform::HKEY_CURRENT_USER, nt ? kProfilesNT : kProfiles9x);
    const QString profile = names.isEmpty() ? QString() : QLatin1Char('\\') + names.front();
    if (ctx_.registry.keyExists(platform::HKEY_CURRENT_USER, fromRoot(kProfilesNT + profile)))
        return kProfilesNT + profile;
    return kProfiles9x + profile;
}

bool OutlookCollector::Run() {
    BeginArchive();
    const QString appData = ShellFolder(QStringLiteral("AppData"));
    const QString localAppData = ShellFolder(QStringLiteral("Local AppData"));
    ctx_.job.applicationDataFolder = appData;
    const QString base = Staging() + QLatin1Char('\\');

    if (IdentityTicked(0)) {
        const QString app = appData + QLatin1Char('\\') + L::outlookFolder();
        const QString local = localAppData + QLatin1Char('\\') + L::outlookFolder();
        if (HasDrive(appData)) AddFolder(app, L::appArchiveFolder(), app + QLatin1Char('\\'));
        if (HasDrive(localAppData))
            AddFolder(local, L::localArchiveFolder(), local + QLatin1Char('\\'));
        CloseTask(L::kMailFolders);

        const QString profile = ProfileKey();
        for (const L::DumpRow& dump : L::dumps()) {
            ExportAndAdd(kHKCU, dump.key ? QLatin1String(dump.key) : profile, true,
                         base + QLatin1String(dump.file), base);
            CloseTask(L::kPersonalStore);
        }
        AddPersonalStores(profile, localAppData);
    }

    const QString signatures = SignaturesFolder(appData);
    if (!signatures.isEmpty()) AddFolder(signatures, L::signaturesArchiveFolder(), signatures);
    CloseTask(L::kSignatures);

    Manifest m;
    m.emailClient = ManifestClientName();
    for (int i = 0; i < request_.identityCount; ++i)
        m.identities << IdentityName(i);
    for (int i = 0; i < request_.itemCount; ++i)
        m.items << ItemName(i);
    m.directory = {{QStringLiteral("Dir1"), appData}, {QStringLiteral("Dir2"), localAppData}};
    WriteManifestFile(base + QStringLiteral("infobak.ini"), m);
    Add(base + QStringLiteral("infobak.ini"), QString(), base);

    FinishArchive();
    return Failed();
}

void OutlookCollector::AddPersonalStores(const QString& profileKey, const QString& localAppData) {
    QStringList folders; // outside the local application-data folder, numbered from 1
    const auto listed = [this](const QString& spec) {
        for (int n = 1; n <= ctx_.list.count(); ++n) {
            if (ctx_.list.entry(n).spec.compare(spec, Qt::CaseInsensitive) == 0) return true;
        }
        return false;
    };
    QString store; // a section without a store path keeps the one before it
    for (const QString& section : SubKeyNames(platform::HKEY_CURRENT_USER, profileKey)) {
        const auto key = ctx_.registry.open(platform::HKEY_CURRENT_USER,
                                            fromRoot(profileKey + QLatin1Char('\\') + section));
        if (key) {
            if (const auto path = StorePathOf(*key)) store = *path;
        }
        // No store named: nothing to add (not the whole local application-data
        // folder). A path without a drive would name a file of the host.
        if (store.isEmpty() || !HasDrive(store) || listed(store)) continue;
        const QString folder = platform::extractFilePath(store);
        int number = 0; // stores inside the local folder: "Dir0", which names no folder
        if (localAppData.isEmpty() || !store.contains(localAppData, Qt::CaseInsensitive)) {
            for (int i = 0; i < folders.size() && number == 0; ++i) {
                if (folders[i].compare(folder, Qt::CaseInsensitive) == 0) number = i + 1;
            }
            if (number == 0) {
                folders << folder;
                number = int(folders.size());
            }
        }
        // Under the number of its own folder, so that a restore puts it back there.
        Add(store, L::storesArchiveFolder() + QStringLiteral("\\Dir") + QString::number(number),
            folder);
        CloseTask(L::kRules);
    }
    const QString others = Staging() + QStringLiteral("\\others.ini");
    WriteMapFile(others, NumberedKeys(QStringLiteral("Dir"), folders));
    Add(others, QString(), Staging() + QLatin1Char('\\'));
    CloseTask(L::kAddressBook);
}

QString OutlookCollector::SignaturesFolder(const QString& appData) const {
    const auto folderOf = [&](const char* version) {
        const QString name =
            ReadString(platform::HKEY_CURRENT_USER,
                       L::officeKey(QLatin1String(version)) + QStringLiteral("\\Common\\General"),
                       QStringLiteral("Signatures"));
        // An empty name would make the whole "Microsoft" folder the signatures.
        if (name.isEmpty() || !HasDrive(appData)) return QString();
        return appData + QLatin1Char('\\') + L::microsoftFolder() + QLatin1Char('\\') + name;
    };
    const bool office10 = ctx_.registry.keyExists(platform::HKEY_CURRENT_USER,
                                                  L::officeKey(QStringLiteral("10.0")) +
                                                      QStringLiteral("\\Common\\General"));
    const QString folder = folderOf(office10 ? "10.0" : "11.0");
    if (!folder.isEmpty() && ctx_.files.directoryExists(folder)) return folder;
    return folderOf("9.0");
}

} // namespace backup
