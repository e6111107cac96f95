// The fixed tables of the client codes: base codes, manifest names, captions
// and item lists.

#include "clients/Clients.h"

namespace clients {

int BaseCode(int code) {
    switch (code) {
    case kPocoMail2:
    case kPocoMail3:
    case kPocoMail20:
        return kPocoMail;
    case kOpera6:
    case kOpera7:
        return kOpera;
    case kNetscape4:
    case kNetscape67:
        return kNetscape;
    default:
        return code;
    }
}

QString ManifestName(int code) {
    switch (code) {
    case kOutlookExpress:
        return QStringLiteral("OutlookExpress");
    case kOutlook:
        return QStringLiteral("Outlook");
    case kEudora:
        return QStringLiteral("Eudora");
    case kIncrediMail:
        return QStringLiteral("IncrediMail");
    case kPegasus:
        return QStringLiteral("PegasusMail");
    case kTheBat:
        return QStringLiteral("TheBat");
    case kPocoMail3:
        return QStringLiteral("PocoMail3");
    case kPocoMail2:
        return QStringLiteral("PocoMail2");
    case kPocoMail20:
        return QStringLiteral("PocoMail20");
    case kOpera6:
        return QStringLiteral("Opera");
    case kOpera7:
        return QStringLiteral("Opera7");
    case kNetscape4:
        return QStringLiteral("Netscape4");
    case kNetscape67:
        return QStringLiteral("Netscape");
    case kFavorites:
        return QStringLiteral("Favorites");
    default: // 0 and the base codes 7, 8, 9 are no backup target
        return {};
    }
}

QString ClientCaption(int code) {
    switch (BaseCode(code)) {
    case kOutlookExpress:
        return QStringLiteral("Microsoft Outlook Express");
    case kOutlook:
        return QStringLiteral("Microsoft Outlook");
    case kEudora:
        return QStringLiteral("Eudora");
    case kIncrediMail:
        return QStringLiteral("IncrediMail");
    case kPegasus:
        return QStringLiteral("Pegasus Mail");
    case kTheBat:
        return QStringLiteral("The Bat");
    case kPocoMail:
        return QStringLiteral("PocoMail");
    case kOpera:
        return QStringLiteral("Opera Mail");
    case kNetscape:
        return QStringLiteral("Netscape Messenger");
    case kFavorites:
        return QStringLiteral("Internet Explorer Favorites");
    default:
        return {};
    }
}

QStringList ClientItems(int code) {
    const QString accounts = QStringLiteral("Accounts Settings");
    const QString folders = QStringLiteral("Mail Folders");
    const QString signatures = QStringLiteral("Signatures");
    const QString rules = QStringLiteral("Message Rules");
    const QString filters = QStringLiteral("Filters");
    const QString addressBook = QStringLiteral("Address Book");
    const QString stationery = QStringLiteral("Stationery");
    switch (code) {
    case kOutlookExpress:
        return {accounts, folders, signatures, rules, addressBook, stationery};
    case kOutlook:
        return {accounts, folders,     QStringLiteral("Personal Store"),
                rules,    addressBook, signatures};
    case kEudora:
        return {accounts, folders, filters, signatures, addressBook};
    case kIncrediMail:
        return {accounts, folders, rules, addressBook, stationery};
    case kPegasus:
        return {accounts, folders, signatures, addressBook};
    case kTheBat:
        return {accounts, folders, filters, addressBook};
    case kPocoMail2:
    case kPocoMail3:
    case kPocoMail20:
        return {accounts, folders, filters, signatures, addressBook, QStringLiteral("Scripts")};
    case kOpera6:
    case kOpera7:
        return {accounts, folders, filters, signatures, addressBook};
    case kNetscape4:
    case kNetscape67:
        return {accounts, folders, filters, addressBook};
    case kFavorites:
        return {QStringLiteral("Favorites")};
    default:
        return {};
    }
}

bool ItemsChangeable(int code) {
    switch (code) {
    case kOutlookExpress:
    case kEudora:
    case kIncrediMail:
    case kTheBat:
    case kPocoMail2:
    case kPocoMail3:
    case kPocoMail20:
    case kOpera6:
    case kFavorites:
        return true;
    default:
        return false;
    }
}

} // namespace clients
