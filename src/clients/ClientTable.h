#pragma once
// The client table: one row per client and per installed layout (variant) of
// a client, holding every fixed fact the program keeps about it. A new variant
// is a new row.

#include <QtGlobal>

#include <span>

namespace clients {

// A registry key (or one value of it) whose presence tells that a client is
// there.
struct DetectionKey {
    quint32 root = 0; // 0: no key
    const char* path = nullptr;
    const char* value = nullptr; // null: the key itself
};

struct ClientRow {
    int code = 0;
    int baseCode = 0;
    const char* keyword = nullptr;      // of "/c:" (base rows)
    const char* manifestName = nullptr; // "EmailClient" of infobak.ini; null: no backup target
    const char* caption = nullptr;      // of the client list (base rows)
    // Items in the order the collector addresses them (backup targets).
    const char* items[6] = {};
    bool itemsChangeable = false;
    const char* archivePrefix = nullptr; // of the archive's name, with its blank
    // The program that must not run while the client is backed up.
    const char* guardedProgram = nullptr;
    // The programs that must not run while the client is restored.
    const char* restoredPrograms[4] = {};
    const char* defaultName = nullptr;      // the whole default-client name (base rows)
    const char* installedKeyword = nullptr; // inside a registered client's name (base rows)
    bool alwaysInstalled = false;           // a part of Windows itself
    // Base rows: further keys that tell the client is installed.
    DetectionKey installedKeys[3] = {};
    // Variant rows: the label in the version chooser and what tells the
    // layout is there (a key, or a file below the AppData folder).
    const char* versionLabel = nullptr;
    DetectionKey versionKey = {};
    const char* versionAppDataFile = nullptr;
};

// Every row: each base code followed by its variants, newest layout first.
std::span<const ClientRow> clientRows();
// The row of a code; null for an unknown code.
const ClientRow* clientRow(int code);
// A base code with variants (PocoMail, Opera, Netscape).
bool hasVariants(int baseCode);

} // namespace clients
