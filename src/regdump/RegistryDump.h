#pragma once
// Registry keys written as files the registry editor imports exactly (CR LF):
// REGEDIT4 in the ANSI code page of the user's locale when that code page
// holds every name and text of the file, else the Unicode form ("Windows
// Registry Editor Version 5.00", UTF-16LE with a byte-order mark).
//
// Value names and string data escape backslashes and double quotes; a string the quoted form
// cannot carry (line breaks and other control characters, NULs inside, no
// terminator) and every type other than string, 32-bit integer and binary is
// written in its hex(N) form with the data bytes as stored (string types in
// the file's character set). Key names are written as they are: the editor
// reads a key line up to its last ']'.
//
// One instance lives as long as the program and is shared by every collector.
// The export never changes the registry: a key that does not exist is written
// as an empty key, and nothing is created in a mail client's registry.

#include "platform/Registry.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace platform {
class Files;
}

namespace regdump {

enum TRootKeys {
    rkHKEY_CLASSES_ROOT,
    rkHKEY_CURRENT_USER,
    rkHKEY_LOCAL_MACHINE,
    rkHKEY_USERS,
    rkHKEY_CURRENT_CONFIG,
    rkHKEY_DYN_DATA,
    rkNONE,
};

enum TExpImpSource {
    eiFile,
    eiProperty,
};

class RegistryDump {
public:
    using TProgressEvent = std::function<void(RegistryDump& sender, quint32 progress, quint32 level,
                                              quint32 maxprogress, quint32 maxlevel)>;

    RegistryDump(platform::Registry& reg, const platform::Files& fs);

    // Writes keyPath below the root called rootName (empty: HKEY_CURRENT_USER),
    // with all keys below it when includeSubKeys is set, to fileName (a Windows
    // path, replaced). With an empty fileName or ExportDestination eiProperty
    // the lines are appended to RegistryData instead. False when the sub-keys
    // could not be listed (only the header is written then) or the file could
    // not be saved.
    bool ExportRegistryKey(QString rootName, const QString& keyPath, bool includeSubKeys,
                           const QString& fileName);

    // Exact, case-sensitive names. An unknown name maps to HKEY_CURRENT_USER,
    // an unknown handle to "HKEY_CURRENT_USER".
    static platform::HKEY RootNameToKey(const QString& name);
    static QString RootKeyToName(platform::HKEY key);

    // Appends path + "\" + name for every direct sub-key of path (below root),
    // in the registry's order; with recurse, then does the same for each of
    // those children in turn, so all children of a key come before any
    // grandchild. False when a key cannot be opened.
    bool CollectSubKeys(const QString& path, QStringList& list, bool recurse, platform::HKEY root);
    // The value names of path below the export's root, in the registry's order.
    bool ReadValueNames(const QString& path, QStringList& list);
    // The data text of one value of key in the form of the last export (before
    // the first one: REGEDIT4 in the locale's code page); empty when the value
    // cannot be read or, in a REGEDIT4 file, its text cannot be.
    QString FormatValueData(const platform::RegKey& key, const QString& name) const;
    QString FormatValueData(const platform::RegValue& value) const;
    // The name is escaped here.
    QString FormatValueLine(const QString& name, const QString& data) const;

    // Published properties with their defaults. Only the delimiters, prefixes,
    // ExportDestination and RegistryData take part in the export; the rest are
    // kept for the component's interface.
    QString RegHeader = QStringLiteral("REGEDIT4");
    QChar DataNameValueDelim = u'=';
    QChar StringStartEndChar = u'"';
    QChar RootStart = u'[';
    QChar RootEnd = u']';
    QChar KeyLevelDelim = u'\\';
    QString HexIntPrefix = QStringLiteral("dword:");
    QString BinaryPrefix = QStringLiteral("hex:");
    QString Filename = QStringLiteral("RegistryDump.reg");
    TRootKeys RootKey = rkHKEY_CURRENT_USER;
    bool IncludeSubKeys = true;
    QString KeyToGet;
    TExpImpSource ExportDestination = eiFile;
    TExpImpSource ImportSource = eiFile;
    QStringList RegistryData;
    QStringList NewKeyList;
    QStringList DeletedKeyList;
    QStringList ExistingKeyList;
    QString AddedPrefix = QStringLiteral("Added   : ");
    QString RemovedPrefix = QStringLiteral("Removed : ");
    TProgressEvent OnProgressChange;

private:
    // How the running export writes its file.
    struct Form {
        bool unicode = false;
        int codePage = 1252;
    };
    struct KeyDump {
        QString line;
        QStringList names;
        bool namesRead = false;
        std::optional<platform::RegKey> key;
    };

    platform::Result<platform::RegKey> openKey(platform::HKEY root, const QString& path);
    QString keyLine(const QString& rootName, const QString& path) const;
    QStringList formatLines(const std::vector<KeyDump>& keys) const;
    QString quoted(const QString& text) const;
    QString hexData(quint32 type, const QByteArray& bytes) const;
    std::optional<QByteArray> stringBytes(const platform::RegValue& value) const;

    Form form_;
    mutable bool unfit_ = false; // a text that the form's character set cannot hold

    platform::Registry& reg_;
    const platform::Files& fs_;
    platform::HKEY root_ = platform::HKEY_CURRENT_USER; // root of the running export
};

} // namespace regdump
