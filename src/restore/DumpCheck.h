#pragma once
// A registry dump from an archive, read strictly and held against the keys its
// client owns before anything is imported. The archive may come from anyone:
// a dump that sets a start-up command or empties the user's software tree
// must never reach Wine's registry editor. The editor gets the text written
// here from what was checked, never the archive's file.

#include "clients/ClientKeys.h"
#include "platform/Registry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace restore {

class CheckedDump {
public:
    struct Value {
        QString name;        // empty for the default value
        bool remove = false; // "name"=-
        bool quoted = false; // "name"="text" rather than hex bytes
        platform::RegValue value;
    };
    struct Key {
        platform::HKEY root = platform::HKEY_CURRENT_USER;
        QStringList path;    // the names below the root
        bool remove = false; // [-key]
        std::vector<Value> values;
        QString text() const; // "HKEY_CURRENT_USER\Software\..."
    };

    // Nothing when the dump is malformed or reaches outside `own`; `why` then
    // names the key (when there is one) and the reason.
    static std::optional<CheckedDump> check(const QByteArray& bytes,
                                            const std::vector<clients::OwnKey>& own, QString* why);

    const std::vector<Key>& keys() const { return keys_; }
    // The checked keys and values in the dump's own form (header, code page or
    // UTF-16); nothing when a text no longer fits the code page.
    std::optional<QByteArray> bytes() const;
    // Empty when the registry holds what the dumps say, applied in order (keys
    // and values there, deleted ones gone); else the first key or value that differs.
    static QString differenceIn(platform::Registry& reg, const std::vector<CheckedDump>& dumps);

private:
    QString header_;
    bool unicode_ = false;
    int codePage_ = 1252;
    std::vector<Key> keys_;
};

// Reads and checks every dump (entries below stagingHost) against the keys of
// the client; empty when all pass, else "<dump> (<key>: <why>)".
QString CheckDumps(const QString& stagingHost, const QStringList& entries, int clientCode,
                   std::vector<CheckedDump>& out);

} // namespace restore
