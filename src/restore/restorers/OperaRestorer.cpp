#include "restore/restorers/OperaRestorer.h"

#include "backup/collectors/Collector.h"
#include "clients/layouts/OperaLayout.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace restore {

namespace {
using backup::Collector;
using L = clients::OperaLayout;
} // namespace

void Opera6Restorer::Prepare() {
    program_ = platform::excludeTrailingBackslash(
        L::programFolderOf(ReadString(platform::HKEY_CURRENT_USER, L::key(), L::commandLine6())));
    if (!Collector::HasDrive(program_)) program_.clear();
    AddRoot(program_);
    for (const QString& name : in_.manifest.identities) {
        if (!L::isAccountFolderName(name)) continue;
        const QString key = name.toLower();
        // The signature file this prefix's account names, wherever it is.
        if (!program_.isEmpty()) {
            const auto host =
                in_.files.hostPath(program_ + QLatin1Char('\\') + L::mailFolder() +
                                   QLatin1Char('\\') + name + QStringLiteral("\\Account.ini"));
            if (host)
                AddRoot(ReadWindowsIni(*host).readString(QStringLiteral("OUTGOING"),
                                                         QStringLiteral("SignatureFile")));
        }
        identityByFolder_.insert(key, name);
        const platform::IniFile map = ReadWindowsIni(in_.stagingHost + QLatin1Char('/') + name +
                                                     QStringLiteral("/signatures.ini"));
        const QString file = map.readString(QStringLiteral("Files"), QStringLiteral("File"));
        const QString dir = map.readString(QStringLiteral("Directory"), QStringLiteral("Dir"));
        if (file.isEmpty() || !Collector::HasDrive(dir)) continue;
        signatureEntry_.insert(key, QStringLiteral("signatures/") + file.toLower());
        signatureFolder_.insert(key, dir);
    }
}

Opera6Restorer::Where Opera6Restorer::Locate(const QString& entry) {
    Where w;
    const QString mail =
        program_.isEmpty() ? QString() : program_ + QLatin1Char('\\') + L::mailFolder();
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        if (const clients::FileRow* row = clients::rowOf(L::mailFiles(), entry)) {
            w.item = row->item;
            if (!mail.isEmpty()) w.winPath = Below(mail, entry, 0);
        } else if (const clients::FileRow* row = clients::rowOf(L::programFiles(), entry)) {
            w.item = row->item;
            if (!program_.isEmpty()) w.winPath = Below(program_, entry, 0);
        }
        return w;
    }
    const QString account = entry.left(slash).toLower();
    if (!identityByFolder_.contains(account)) return w;
    w.identity = identityByFolder_.value(account);
    const QString rest = entry.mid(slash + 1).toLower();
    if (rest == u"directory.ini" || rest == u"signatures.ini") {
        w.item = rest == u"directory.ini" ? L::kMailFolders : L::kSignatures;
        w.mapOnly = true;
        return w;
    }
    if (signatureEntry_.value(account) == rest) {
        w.item = L::kSignatures;
        w.winPath =
            Below(signatureFolder_.value(account), entry, entry.lastIndexOf(QLatin1Char('/')) + 1);
        return w;
    }
    // The settings name the signature file.
    if (const clients::FileRow* row = clients::rowOf(L::accountFiles(), rest)) {
        w.item = row->item;
        w.pathFile = row->holdsPaths;
    } else {
        w.item = L::kMailFolders;
    }
    if (!mail.isEmpty()) w.winPath = Below(mail, entry, 0);
    return w;
}

void Opera7Restorer::Prepare() {
    const QString appData =
        platform::excludeTrailingBackslash(ShellFolder(QStringLiteral("AppData")));
    if (Collector::HasDrive(appData)) root_ = appData + QLatin1Char('\\') + L::opera7Folder();
    AddRoot(root_);
}

Opera7Restorer::Where Opera7Restorer::Locate(const QString& entry) {
    Where w;
    w.identity = in_.manifest.identities.value(0); // the one identity
    const QString top = entry.section(QLatin1Char('/'), 0, 0).toLower();
    QString base;
    if (entry.compare(QLatin1String("contacts.adr"), Qt::CaseInsensitive) == 0) {
        w.item = L::kAddressBook;
        base = QStringLiteral("\\profile");
    } else if (top == u"mail" && entry.contains(QLatin1Char('/'))) {
        w.item = L::kMailFolders;
    } else if (top == u"cache" || top == u"index") {
        w.item = L::kMailFolders;
        base = QStringLiteral("\\Mail");
    } else if (top == u"storage") {
        w.item = L::kSignatures;
        base = QStringLiteral("\\Mail");
    } else {
        return w;
    }
    if (!root_.isEmpty()) w.winPath = Below(root_ + base, entry, 0);
    return w;
}

} // namespace restore
