// The fixed facts of the client codes, as the client table holds them.

#include "clients/ClientTable.h"
#include "clients/Clients.h"

namespace clients {

namespace {
QString text(const char* s) {
    return s ? QString::fromLatin1(s) : QString();
}
} // namespace

int BaseCode(int code) {
    const ClientRow* row = clientRow(code);
    return row ? row->baseCode : code;
}

QString ManifestName(int code) {
    const ClientRow* row = clientRow(code);
    return row ? text(row->manifestName) : QString();
}

QString ClientCaption(int code) {
    const ClientRow* row = clientRow(BaseCode(code));
    return row ? text(row->caption) : QString();
}

QStringList ClientItems(int code) {
    QStringList items;
    if (const ClientRow* row = clientRow(code))
        for (const char* item : row->items)
            if (item) items << QString::fromLatin1(item);
    return items;
}

bool ItemsChangeable(int code) {
    const ClientRow* row = clientRow(code);
    return row && row->itemsChangeable;
}

int ClientCodeForManifestName(const QString& emailClient) {
    for (const ClientRow& row : clientRows())
        if (row.manifestName &&
            emailClient.compare(QLatin1String(row.manifestName), Qt::CaseInsensitive) == 0)
            return row.code;
    return kNone;
}

} // namespace clients
