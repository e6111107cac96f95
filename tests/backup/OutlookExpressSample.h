#pragma once
// Outlook Express in a sample prefix: two identities with their stores,
// accounts, signatures, rules and blocked senders; the address book; the
// stationery. Shared by the collector and command-line tests.

#include "platform/registry.h"
#include "support/SamplePrefix.h"

#include <QString>

namespace testsupport {

struct OutlookExpressSample {
    QString annKey = QStringLiteral("{1A2B3C4D-0000-4000-8000-00000000A001}");
    QString bobKey = QStringLiteral("{1A2B3C4D-0000-4000-8000-00000000B002}");
    QString annName = QStringLiteral("Ann");
    QString bobName = QStringLiteral("Bj\u00f6rn");
    QString annStoreRoot; // as written in the registry
    QString bobStoreRoot;
    QString annStore; // expanded, Windows path
    QString wabFolder;
    QString stationery;

    explicit OutlookExpressSample(support::SamplePrefix& p) {
        using namespace platform;
        const QString user = p.userName();
        const QString profile = QStringLiteral("C:\\users\\") + user;
        const QString oe = QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0");
        const QString accounts =
            QStringLiteral("\\Software\\Microsoft\\Internet Account Manager\\Accounts");

        // Ann: the store root with the placeholder in mixed case, as Outlook Express writes it.
        annStoreRoot =
            QStringLiteral("%UserProfile%\\Local Settings\\Application Data\\Identities\\") +
            annKey + QStringLiteral("\\Microsoft\\Outlook Express");
        annStore = profile + annStoreRoot.mid(13);
        // Bjorn: a plain folder, with a trailing backslash.
        bobStoreRoot = QStringLiteral("C:\\Mail\\Bjorn\\");

        const QString ids = QStringLiteral("identities\\");
        for (const auto& [key, name, root] : {std::tuple{annKey, annName, annStoreRoot},
                                              std::tuple{bobKey, bobName, bobStoreRoot}}) {
            const QString id = ids + key;
            p.setString(HKEY_CURRENT_USER, id, QStringLiteral("Username"), name);
            p.setString(HKEY_CURRENT_USER, id, QStringLiteral("User ID"), key);
            p.setValue(HKEY_CURRENT_USER, id + oe,
                       RegValue::string(QStringLiteral("Store Root"), root, REG_EXPAND_SZ));
            p.setDword(HKEY_CURRENT_USER, id + oe + QStringLiteral("\\Mail"),
                       QStringLiteral("Show Hidden Folders"), 1);
            p.setString(HKEY_CURRENT_USER, id + oe + QStringLiteral("\\Columns"),
                        QStringLiteral("Mail"), QStringLiteral("widths"));
            p.setString(HKEY_CURRENT_USER, id + oe + QStringLiteral("\\Signatures\\00000000"),
                        QStringLiteral("name"), QStringLiteral("Signature #1"));
            p.setString(HKEY_CURRENT_USER, id + oe + QStringLiteral("\\Signatures\\00000000"),
                        QStringLiteral("text"), QStringLiteral("Regards, ") + name);
            p.setString(HKEY_CURRENT_USER, id + oe + QStringLiteral("\\Rules\\Mail\\000"),
                        QStringLiteral("Name"), QStringLiteral("Move lists"));
            p.setString(HKEY_CURRENT_USER,
                        id + oe + QStringLiteral("\\Block Senders\\Mail\\Criteria\\0"),
                        QStringLiteral("Value"), QStringLiteral("spam@example.com"));
            p.setString(HKEY_CURRENT_USER, id + accounts + QStringLiteral("\\00000001"),
                        QStringLiteral("Account Name"), name + QStringLiteral(" mail"));
        }
        p.setString(HKEY_CURRENT_USER, accounts.mid(1) + QStringLiteral("\\00000002"),
                    QStringLiteral("Account Name"), QStringLiteral("News"));

        wabFolder = QStringLiteral("C:\\users\\") + user +
                    QStringLiteral("\\AppData\\Roaming\\Microsoft\\Address Book");
        p.setString(HKEY_CURRENT_USER,
                    QStringLiteral("Software\\Microsoft\\WAB\\WAB4\\Wab File Name"), QString(),
                    wabFolder + QStringLiteral("\\") + user + QStringLiteral(".wab"));
        p.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\WAB\\WAB4"),
                    QStringLiteral("FirstRun"), QStringLiteral("no"));
        p.setString(HKEY_LOCAL_MACHINE,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\Stationery"),
                    QStringLiteral("Stationery Folder"),
                    QStringLiteral("%ProgramFiles%\\Common Files\\Microsoft Shared\\Stationery"));
        stationery =
            QStringLiteral("C:\\Program Files\\Common Files\\Microsoft Shared\\Stationery");
        p.save();

        p.writeFile(annStore + QStringLiteral("\\Inbox.dbx"), QByteArray(40000, 'i'));
        p.writeFile(annStore + QStringLiteral("\\Folders.dbx"), QByteArray(3000, 'f'));
        p.writeFile(annStore + QStringLiteral("\\Sent Items.dbx"), QByteArray(5000, 's'));
        p.writeFile(QStringLiteral("C:\\Mail\\Bjorn\\Inbox.dbx"), QByteArray(7000, 'b'));
        p.writeFile(wabFolder + QStringLiteral("\\") + user + QStringLiteral(".wab"),
                    QByteArray(900, 'w'));
        p.writeFile(stationery + QStringLiteral("\\Ivy.htm"), QByteArray("<html>ivy</html>"));
        p.writeFile(stationery + QStringLiteral("\\Ivy.gif"), QByteArray(300, 'g'));
    }
};

} // namespace testsupport
