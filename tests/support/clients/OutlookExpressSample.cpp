#include "support/clients/OutlookExpressSample.h"

#include "platform/Registry.h"
#include "support/DbxWriter.h"
#include "support/SampleMail.h"

#include <tuple>
#include <utility>

namespace support {

OutlookExpressInstall addOutlookExpress(SamplePrefix& p) {
    OutlookExpressInstall oe;
    using namespace platform;
    const QString user = p.userName();
    const QString profile = QStringLiteral("C:\\users\\") + user;
    const QString oeKey = QStringLiteral("\\Software\\Microsoft\\Outlook Express\\5.0");
    const QString accounts =
        QStringLiteral("\\Software\\Microsoft\\Internet Account Manager\\Accounts");

    // Ann: the store root with the placeholder in mixed case, as Outlook Express writes it.
    oe.annStoreRoot =
        QStringLiteral("%UserProfile%\\Local Settings\\Application Data\\Identities\\") +
        oe.annKey + QStringLiteral("\\Microsoft\\Outlook Express");
    oe.annStore = profile + oe.annStoreRoot.mid(13);
    // Bjorn: a plain folder, with a trailing backslash.
    oe.bobStoreRoot = QStringLiteral("C:\\Mail\\Bjorn\\");

    const QString ids = QStringLiteral("identities\\");
    for (const auto& [key, name, root] : {std::tuple{oe.annKey, oe.annName, oe.annStoreRoot},
                                          std::tuple{oe.bobKey, oe.bobName, oe.bobStoreRoot}}) {
        const QString id = ids + key;
        p.setString(HKEY_CURRENT_USER, id, QStringLiteral("Username"), name);
        p.setString(HKEY_CURRENT_USER, id, QStringLiteral("User ID"), key);
        p.setValue(HKEY_CURRENT_USER, id + oeKey,
                   RegValue::string(QStringLiteral("Store Root"), root, REG_EXPAND_SZ));
        p.setDword(HKEY_CURRENT_USER, id + oeKey + QStringLiteral("\\Mail"),
                   QStringLiteral("Show Hidden Folders"), 1);
        p.setString(HKEY_CURRENT_USER, id + oeKey + QStringLiteral("\\Columns"),
                    QStringLiteral("Mail"), QStringLiteral("widths"));
        p.setString(HKEY_CURRENT_USER, id + oeKey + QStringLiteral("\\Signatures\\00000000"),
                    QStringLiteral("name"), QStringLiteral("Signature #1"));
        p.setString(HKEY_CURRENT_USER, id + oeKey + QStringLiteral("\\Signatures\\00000000"),
                    QStringLiteral("text"), QStringLiteral("Regards, ") + name);
        p.setString(HKEY_CURRENT_USER, id + oeKey + QStringLiteral("\\Rules\\Mail\\000"),
                    QStringLiteral("Name"), QStringLiteral("Move lists"));
        p.setString(HKEY_CURRENT_USER,
                    id + oeKey + QStringLiteral("\\Block Senders\\Mail\\Criteria\\0"),
                    QStringLiteral("Value"), QStringLiteral("spam@example.com"));
        p.setString(HKEY_CURRENT_USER, id + accounts + QStringLiteral("\\00000001"),
                    QStringLiteral("Account Name"), name + QStringLiteral(" mail"));
    }
    p.setString(HKEY_CURRENT_USER, accounts.mid(1) + QStringLiteral("\\00000002"),
                QStringLiteral("Account Name"), QStringLiteral("News"));

    oe.wabFolder = QStringLiteral("C:\\users\\") + user +
                   QStringLiteral("\\AppData\\Roaming\\Microsoft\\Address Book");
    p.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\WAB\\WAB4\\Wab File Name"),
                QString(), oe.wabFolder + QStringLiteral("\\") + user + QStringLiteral(".wab"));
    p.setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\WAB\\WAB4"),
                QStringLiteral("FirstRun"), QStringLiteral("no"));
    p.setString(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\Stationery"),
                QStringLiteral("Stationery Folder"),
                QStringLiteral("%ProgramFiles%\\Common Files\\Microsoft Shared\\Stationery"));
    oe.stationery = QStringLiteral("C:\\Program Files\\Common Files\\Microsoft Shared\\Stationery");
    // Registered as a mail client, as its setup leaves it.
    p.setString(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Clients\\Mail\\Outlook Express"),
                QString(), QStringLiteral("Outlook Express"));
    p.save();

    // Real stores: Ann's folder list, her Inbox and Sent Items; Bjorn's Inbox.
    const QString ann = p.makeDir(oe.annStore);
    oe.annInbox = sampleMessages("Ann <ann@example.com>", "in");
    oe.annSentItems = sampleMessages("Ann <ann@example.com>", "sent").mid(0, 2);
    oe.bobInbox = sampleMessages("Bjorn <bjorn@example.com>", "bj").mid(1);
    const quint32 statuses[] = {DbxWriter::Read, DbxWriter::Read | DbxWriter::Answered,
                                DbxWriter::Marked, DbxWriter::Read | DbxWriter::Forwarded};
    for (const auto& [file, messages] :
         {std::pair{ann + QStringLiteral("/Inbox.dbx"), oe.annInbox},
          std::pair{ann + QStringLiteral("/Sent Items.dbx"), oe.annSentItems},
          std::pair{p.makeDir(QStringLiteral("C:\\Mail\\Bjorn")) + QStringLiteral("/Inbox.dbx"),
                    oe.bobInbox}}) {
        DbxWriter dbx(file, DbxWriter::Kind::Messages);
        for (qsizetype i = 0; i < messages.size(); ++i)
            dbx.addMessage(messages[i], statuses[i % 4], 1049187600 + i * 3600);
        dbx.finish();
    }
    DbxWriter folders(ann + QStringLiteral("/Folders.dbx"), DbxWriter::Kind::Folders);
    folders.addFolder(0, 0xFFFFFFFF, "Outlook Express", {});
    folders.addFolder(1, 0, "Local Folders", {});
    folders.addFolder(4, 1, "Inbox", "Inbox.dbx");
    folders.addFolder(5, 1, "Sent Items", "Sent Items.dbx");
    folders.finish();
    p.writeFile(oe.wabFolder + QStringLiteral("\\") + user + QStringLiteral(".wab"),
                QByteArray(900, 'w'));
    p.writeFile(oe.stationery + QStringLiteral("\\Ivy.htm"), QByteArray("<html>ivy</html>"));
    p.writeFile(oe.stationery + QStringLiteral("\\Ivy.gif"), QByteArray(300, 'g'));
    return oe;
}

} // namespace support
