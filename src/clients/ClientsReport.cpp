#include "clients/ClientsReport.h"

#include "clients/ClientTable.h"
#include "clients/Clients.h"

namespace clients {

namespace {

QString quoted(const QStringList& names) {
    QStringList q;
    for (const QString& n : names)
        q.append(QLatin1Char('"') + n + QLatin1Char('"'));
    return q.join(QStringLiteral(", "));
}

} // namespace

QStringList ClientsReport(ClientCatalogue& catalogue) {
    QStringList out;
    const int def = catalogue.GetDefaultClient();
    out.append(QStringLiteral("default client: %1 %2").arg(def).arg(ClientCaption(def)).trimmed());
    for (const ClientRow& row : clientRows()) {
        if (row.code != row.baseCode) continue;
        const int base = row.code;
        const QList<VersionVariant> versions = catalogue.GetClientVersions(base);
        QStringList labels;
        for (const VersionVariant& v : versions)
            labels.append(QStringLiteral("%1 (%2)").arg(v.label).arg(v.code));
        out.append(QStringLiteral("client %1 \"%2\": installed %3%4")
                       .arg(base)
                       .arg(ClientCaption(base))
                       .arg(catalogue.IsClientInstalled(base) ? QStringLiteral("yes")
                                                              : QStringLiteral("no"))
                       .arg(labels.isEmpty() ? QString()
                                             : QStringLiteral(", versions ") +
                                                   labels.join(QStringLiteral(", "))));
    }
    for (const ClientRow& row : clientRows()) {
        const int code = row.code;
        QStringList identities, items;
        const bool changeable = catalogue.GetIdentitiesAndItems(code, identities, items);
        out.append(QStringLiteral("code %1:").arg(code));
        out.append(QStringLiteral("  identities: ") + quoted(identities));
        out.append(
            QStringLiteral("  items%1: ").arg(changeable ? QString() : QStringLiteral(" (fixed)")) +
            quoted(items));
        if (code == kNetscape67)
            for (const QString& p : catalogue.NetscapeProfilePaths())
                out.append(QStringLiteral("  profile path: ") + p);
    }
    return out;
}

} // namespace clients
