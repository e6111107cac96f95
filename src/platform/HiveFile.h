#pragma once
// One registry file in Wine's text format ("WINE REGISTRY Version 2"), held
// as a tree of keys. Reading never fails: a line that cannot be understood is
// skipped and counted. Writing gives the layout Wine itself writes, so a hive
// that Wine wrote comes back byte for byte.

#include "platform/Registry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>
#include <vector>

namespace platform {

class HiveKey {
public:
    explicit HiveKey(QString name = {}, HiveKey* parent = nullptr);
    HiveKey(const HiveKey&) = delete;
    HiveKey& operator=(const HiveKey&) = delete;

    const QString& name() const { return name_; }
    HiveKey* parent() const { return parent_; }
    QString path() const; // from the hive's root, '\'-separated

    // Sub-keys, kept in Wine's order (names compared lower-cased).
    const std::vector<std::unique_ptr<HiveKey>>& subKeys() const { return subKeys_; }
    HiveKey* subKey(QStringView name) const;
    HiveKey& addSubKey(const QString& name); // the existing one when present
    bool removeSubKey(QStringView name);
    QStringList subKeyNames() const;

    // Values in the order they were created; names without regard to case.
    const std::vector<RegValue>& values() const { return values_; }
    const RegValue* value(QStringView name) const;
    void setValue(RegValue v); // replaces a value of the same name in place
    bool removeValue(QStringView name);

    // The key line's Unix time and the "#time=" FILETIME, as read or last touched.
    quint32 unixTime() const { return unixTime_; }
    std::optional<quint64> fileTime() const { return fileTime_; }
    void setTimes(quint32 unixTime, std::optional<quint64> fileTime);
    void touch(); // both times set to now

    // Other "#..." lines of the key ("#class=...", "#link"), kept as read.
    const QList<QByteArray>& metaLines() const { return meta_; }
    void addMetaLine(const QByteArray& line) { meta_.append(line); }
    bool isLink() const;
    std::optional<QString> className() const;

private:
    qsizetype subKeyPos(QStringView folded, bool* found) const;
    qsizetype valuePos(QStringView name) const;

    QString name_;
    QString folded_;
    HiveKey* parent_;
    std::vector<std::unique_ptr<HiveKey>> subKeys_;
    std::vector<RegValue> values_;
    mutable QHash<QString, qsizetype> valueIndex_; // folded name -> position, for long lists
    quint32 unixTime_ = 0;
    std::optional<quint64> fileTime_;
    QList<QByteArray> meta_;
};

class HiveFile {
public:
    // Windows keeps keys at most 512 levels deep; a deeper key line is skipped
    // (the tree is walked recursively). Callers of key() keep to it too.
    static constexpr int kMaxDepth = 512;

    HiveFile();
    HiveFile(HiveFile&&) noexcept;
    HiveFile& operator=(HiveFile&&) noexcept;
    ~HiveFile();

    static HiveFile parse(const QByteArray& bytes);
    QByteArray serialize() const;

    // Whether the first line was "WINE REGISTRY Version 2" (an empty file has none).
    bool headerOk() const { return headerOk_; }
    int skippedLines() const { return skipped_; }
    // 1-based numbers of the skipped lines (the first few hundred).
    const QList<int>& skippedLineNumbers() const { return skippedAt_; }

    // Lines between the header and the first key (";; All keys relative to ...",
    // "#arch=win64"), kept as read.
    const QList<QByteArray>& preamble() const { return preamble_; }
    void setPreamble(QList<QByteArray> lines) { preamble_ = std::move(lines); }
    // The path after ";; All keys relative to ", unescaped ("REGISTRY\Machine").
    QString relativeTo() const;
    // Sets the preamble Wine writes: the "relative to" line and "#arch=win64".
    void setRelativeTo(const QString& path);

    HiveKey& root() { return *root_; }
    const HiveKey& root() const { return *root_; }
    HiveKey* findKey(QStringView path) const; // nullptr when absent
    HiveKey& key(QStringView path);           // created with its parents
    bool removeKey(QStringView path);         // with everything below it
    void setValue(QStringView keyPath, RegValue v);
    qsizetype keyCount() const;

    // Components of a '\'-separated path; empty components are dropped.
    static QStringList splitPath(QStringView path);

private:
    friend class RegistryParser;
    std::unique_ptr<HiveKey> root_;
    QList<QByteArray> preamble_;
    bool headerOk_ = true;
    int skipped_ = 0;
    QList<int> skippedAt_;
};

} // namespace platform
