#pragma once
// Outlook Express for the prefix's user: two identities with their stores (one
// under "%UserProfile%", one in a plain folder with a trailing backslash),
// accounts, signatures, rules and blocked senders; the address book; the
// stationery under "%ProgramFiles%".

#include "support/SamplePrefix.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace support {

struct OutlookExpressInstall {
    QString annKey = QStringLiteral("{1A2B3C4D-0000-4000-8000-00000000A001}");
    QString bobKey = QStringLiteral("{1A2B3C4D-0000-4000-8000-00000000B002}");
    QString annName = QStringLiteral("Ann");
    QString bobName = QStringLiteral("Bj\u00f6rn");
    QString annStoreRoot; // as written in the registry
    QString bobStoreRoot;
    QString annStore; // expanded, Windows path
    QString wabFolder;
    QString stationery; // expanded, Windows path
    // The messages of the stores, in the order the stores hold them.
    QList<QByteArray> annInbox;
    QList<QByteArray> annSentItems;
    QList<QByteArray> bobInbox;
};

// Writes the keys (and saves the hives) and the files.
OutlookExpressInstall addOutlookExpress(SamplePrefix& p);

} // namespace support
