// The registry over a small Wine prefix and the program's own hive: typed
// values read back equal, lookups without regard to case, read-only source
// hives, the merged HKCR view, mount points, re-reading changed files, and a
// damaged hive of ours moved aside before anything is saved over it.

#include "platform/HiveFile.h"
#include "platform/OleDate.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace platform;

namespace {

const QString kPostora = QStringLiteral("Software\\Kelvarn\\Postora");
const QString kRun = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaced by rename, as Wine saves it.
void writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    QVERIFY(f.commit());
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void typedValuesRoundTrip();
    void typedReadsCheckTheType();
    void lookupsIgnoreCase();
    void subKeysSortedValuesInCreationOrder();
    void sourceHivesAreReadOnly();
    void classesRootMergesUserOverMachine();
    void ownHiveMountPoints();
    void changedFilesAreReadAgain();
    void deleteValueAndKeyTree();
    void damagedOwnHiveIsMovedAside();
    void batchSavesOnce();
    void configFromEnvironment();

private:
    std::unique_ptr<Registry> makeRegistry() const {
        return std::make_unique<Registry>(Registry::Config{prefix_, ownHive_});
    }
    std::unique_ptr<QTemporaryDir> tmp_;
    QString prefix_;
    QString ownHive_;
    std::unique_ptr<Registry> reg_;
};

void TestRegistry::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    prefix_ = tmp_->filePath(QStringLiteral("prefix"));
    ownHive_ = tmp_->filePath(QStringLiteral("config/postora/registry.reg"));
    QDir().mkpath(prefix_);

    HiveFile user;
    user.setRelativeTo(QStringLiteral("REGISTRY\\User\\S-1-5-21-7-8-9-1001"));
    user.setValue(u"Software\\Wine\\Drivers", RegValue::string(QStringLiteral("Audio"), "alsa"));
    user.setValue(u"Software\\Classes\\.eml", RegValue::string(QString(), QStringLiteral("user")));
    user.setValue(u"Software\\Classes\\.eml\\ShellNew", RegValue::dword(QStringLiteral("x"), 1));
    user.setValue(u"Software\\Kelvarn\\Postora", RegValue::dword(QStringLiteral("Old"), 1));
    writeFile(prefix_ + QStringLiteral("/user.reg"), user.serialize());

    HiveFile system;
    system.setRelativeTo(QStringLiteral("REGISTRY\\Machine"));
    system.setValue(u"Software\\Classes\\.eml", RegValue::string(QString(), "machine"));
    system.setValue(u"Software\\Classes\\.eml", RegValue::string(QStringLiteral("Type"), "m"));
    system.setValue(u"Software\\Classes\\.eml\\OpenWith", RegValue::dword(QStringLiteral("y"), 2));
    system.setValue(u"Software\\Classes\\.txt", RegValue::string(QString(), QStringLiteral("t")));
    system.setValue(kRun, RegValue::string(QStringLiteral("WineThing"), QStringLiteral("x.exe")));
    system.setValue(u"Software\\Microsoft\\Windows\\CurrentVersion",
                    RegValue::string(QStringLiteral("ProgramFilesDir"), "C:\\Program Files"));
    writeFile(prefix_ + QStringLiteral("/system.reg"), system.serialize());

    HiveFile userdef;
    userdef.setValue(u"Control Panel\\Desktop", RegValue::string(QStringLiteral("W"), "1"));
    writeFile(prefix_ + QStringLiteral("/userdef.reg"), userdef.serialize());
    reg_ = makeRegistry();
}

void TestRegistry::cleanup() {
    reg_.reset();
    tmp_.reset();
}

void TestRegistry::typedValuesRoundTrip() {
    auto key = reg_->open(HKEY_CURRENT_USER, kPostora, true);
    QVERIFY2(key.isOk(), qPrintable(key.error().message));
    RegKey k = key.value();
    const QString text = QStringLiteral("C:\\a \"b\"\n") + QChar(0xe9) + QStringLiteral("1") +
                         QString::fromUcs4(U"\U0001F4E7", 1);
    const QDateTime when(QDate(2004, 2, 29), QTime(23, 59, 58, 500));
    const QByteArray bytes("\0\x01\xff\"\\", 5);
    QVERIFY(k.writeString(QStringLiteral("BackupDir"), text));
    QVERIFY(k.writeExpandString(QStringLiteral("Path"), QStringLiteral("%APPDATA%\\x")));
    QVERIFY(k.writeInt(QStringLiteral("Count"), -7));
    QVERIFY(k.writeBinary(QStringLiteral("Blob"), bytes));
    QVERIFY(k.writeDateTime(QStringLiteral("LastBackupDate"), when));
    QVERIFY(k.writeString(QString(), QStringLiteral("default")));
    QCOMPARE(k.writeDateTime(QStringLiteral("Bad"), QDateTime()).code(), int(kInvalidData));

    // A second registry reads the file the first one saved.
    auto other = makeRegistry();
    RegKey r = other->open(HKEY_CURRENT_USER, kPostora).value();
    QCOMPARE(r.readString(QStringLiteral("BackupDir")).value_or(QString()), text);
    QCOMPARE(r.readString(QStringLiteral("Path")).value_or(QString()), "%APPDATA%\\x");
    QCOMPARE(r.valueType(QStringLiteral("Path")).value_or(0), quint32(REG_EXPAND_SZ));
    QCOMPARE(r.readInt(QStringLiteral("Count")).value_or(0), -7);
    QCOMPARE(r.readBinary(QStringLiteral("Blob")).value_or(QByteArray()), bytes);
    QCOMPARE(r.readDateTime(QStringLiteral("LastBackupDate")).value_or(QDateTime()), when);
    QCOMPARE(r.readString(QString()).value_or(QString()), QStringLiteral("default"));
    QCOMPARE(other->skippedLines(), 0);
}

void TestRegistry::typedReadsCheckTheType() {
    RegKey k = reg_->open(HKEY_CURRENT_USER, kPostora, true).value();
    QVERIFY(k.writeInt(QStringLiteral("N"), 1));
    QVERIFY(k.writeString(QStringLiteral("S"), QStringLiteral("1")));
    QVERIFY(k.writeValue({QStringLiteral("D5"), REG_DWORD, QByteArray(5, '\0')}));
    QVERIFY(k.writeBinary(QStringLiteral("B7"), QByteArray(7, '\0')));
    QVERIFY(!k.readString(QStringLiteral("N")));
    QVERIFY(!k.readInt(QStringLiteral("S")));
    QVERIFY(!k.readBinary(QStringLiteral("S")));
    QVERIFY(!k.readInt(QStringLiteral("D5")));
    QVERIFY(!k.readDateTime(QStringLiteral("B7")));
    QVERIFY(!k.readInt(QStringLiteral("Missing")));
    QVERIFY(!k.valueType(QStringLiteral("Missing")));
    QCOMPARE(k.valueType(QStringLiteral("D5")).value_or(0), quint32(REG_DWORD));
}

void TestRegistry::lookupsIgnoreCase() {
    RegKey k = reg_->open(HKEY_CURRENT_USER, kPostora, true).value();
    QVERIFY(k.writeString(QStringLiteral("BackupDir"), QStringLiteral("x")));
    QVERIFY(k.writeString(QStringLiteral("BACKUPDIR"), QStringLiteral("y")));
    RegKey again =
        reg_->open(HKEY_CURRENT_USER, QStringLiteral("\\SOFTWARE\\kelvarn\\POSTORA\\")).value();
    QCOMPARE(again.valueNames(), QStringList({QStringLiteral("BackupDir")}));
    QCOMPARE(again.readString(QStringLiteral("backupdir")).value_or(QString()), "y");
    QVERIFY(reg_->keyExists(HKEY_LOCAL_MACHINE, QStringLiteral("software\\CLASSES\\.EML")));
    QCOMPARE(reg_->open(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\WINE\\drivers"))
                 ->readString(QStringLiteral("AUDIO"))
                 .value_or(QString()),
             QStringLiteral("alsa"));
}

void TestRegistry::subKeysSortedValuesInCreationOrder() {
    RegKey k = reg_->open(HKEY_CURRENT_USER, kPostora, true).value();
    for (const char* n : {"b", "A_B", "AB", "_x", "a"})
        QVERIFY(k.openSubKey(QLatin1String(n), true));
    for (const char* n : {"Zeta", "alpha", "Mid"})
        QVERIFY(k.writeInt(QLatin1String(n), 1));
    QVERIFY(k.writeInt(QStringLiteral("ALPHA"), 2)); // keeps its place
    auto fresh = makeRegistry();
    RegKey r = fresh->open(HKEY_CURRENT_USER, kPostora).value();
    QCOMPARE(r.subKeyNames(), QStringList({"_x", "a", "A_B", "AB", "b"}));
    QCOMPARE(r.valueNames(), QStringList({"Zeta", "alpha", "Mid"}));
    QCOMPARE(r.readInt(QStringLiteral("alpha")).value_or(0), 2);
    QVERIFY(r.hasSubKey(QStringLiteral("a_b")));
    QVERIFY(!r.hasSubKey(QStringLiteral("c")));
}

void TestRegistry::sourceHivesAreReadOnly() {
    const QByteArray userBefore = readFile(prefix_ + QStringLiteral("/user.reg"));
    RegKey wine = reg_->open(HKEY_CURRENT_USER, QStringLiteral("Software\\Wine\\Drivers")).value();
    QCOMPARE(wine.writeString(QStringLiteral("Audio"), QStringLiteral("oss")).code(),
             int(kAccessDenied));
    QCOMPARE(wine.deleteValue(QStringLiteral("Audio")).code(), int(kAccessDenied));
    QCOMPARE(reg_->deleteKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Wine")).code(),
             int(kAccessDenied));
    auto created = reg_->open(HKEY_CURRENT_USER, QStringLiteral("Software\\Eudora\\New"), true);
    QCOMPARE(created.code(), int(kAccessDenied));
    QVERIFY(!reg_->keyExists(HKEY_CURRENT_USER, QStringLiteral("Software\\Eudora")));
    QCOMPARE(reg_->open(HKEY_CLASSES_ROOT, QStringLiteral(".eml"))
                 .value()
                 .writeString(QStringLiteral("x"), QStringLiteral("y"))
                 .code(),
             int(kAccessDenied));
    QCOMPARE(reg_->open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Other"), true).code(),
             int(kAccessDenied));
    QCOMPARE(reg_->open(HKEY_CURRENT_USER, QStringLiteral("Software\\Nope")).code(),
             int(kFileNotFound));
    QCOMPARE(reg_->open(0x1234, QString()).code(), int(kInvalidHandle));
    QVERIFY(!QFile::exists(ownHive_)); // nothing was written anywhere
    QCOMPARE(readFile(prefix_ + QStringLiteral("/user.reg")), userBefore);
}

void TestRegistry::classesRootMergesUserOverMachine() {
    RegKey eml = reg_->open(HKEY_CLASSES_ROOT, QStringLiteral(".EML")).value();
    QCOMPARE(eml.readString(QString()).value_or(QString()), QStringLiteral("user"));
    QCOMPARE(eml.readString(QStringLiteral("Type")).value_or(QString()), QStringLiteral("m"));
    QCOMPARE(eml.valueNames(), QStringList({QString(), QStringLiteral("Type")}));
    const std::vector<RegValue> all = eml.values();
    QCOMPARE(all.size(), size_t(2));
    QCOMPARE(all[0].text(), QStringLiteral("user"));
    QCOMPARE(all[1].text(), QStringLiteral("m"));
    QCOMPARE(eml.subKeyNames(), QStringList({"OpenWith", "ShellNew"}));
    QVERIFY(reg_->keyExists(HKEY_CLASSES_ROOT, QStringLiteral(".txt")));
    const QStringList top = reg_->open(HKEY_CLASSES_ROOT, QString())->subKeyNames();
    QCOMPARE(top, QStringList({".eml", ".txt"}));
}

void TestRegistry::ownHiveMountPoints() {
    // What user.reg holds under the program's key stays hidden by our own hive.
    QVERIFY(!reg_->keyExists(HKEY_CURRENT_USER, kPostora));
    QVERIFY(!reg_->open(HKEY_CURRENT_USER, QStringLiteral("Software"))
                 ->subKeyNames()
                 .contains(QStringLiteral("Kelvarn")));
    RegKey run = reg_->open(HKEY_LOCAL_MACHINE, kRun, true).value();
    QVERIFY(run.writeString(QStringLiteral("ZuveDizizo"), QStringLiteral("C:\\p\\ZuveDizizo.exe")));
    QCOMPARE(run.valueNames(), QStringList({QStringLiteral("ZuveDizizo")}));
    QVERIFY(reg_->open(HKEY_CURRENT_USER, kPostora, true).value().writeInt(QStringLiteral("X"), 3));

    const HiveFile own = HiveFile::parse(readFile(ownHive_));
    QCOMPARE(own.skippedLines(), 0);
    QVERIFY(own.findKey(QStringLiteral("HKEY_LOCAL_MACHINE\\") + kRun)->value(u"ZuveDizizo"));
    QVERIFY(own.findKey(QStringLiteral("HKEY_CURRENT_USER\\") + kPostora)->value(u"X"));

    const QStringList software = reg_->open(HKEY_CURRENT_USER, "Software")->subKeyNames();
    QCOMPARE(software, QStringList({"Classes", "Kelvarn", "Wine"}));
    // HKU holds the same user under the SID user.reg was saved for.
    QCOMPARE(reg_->open(HKEY_USERS, QString())->subKeyNames(),
             QStringList({".Default", "S-1-5-21-7-8-9-1001"}));
    RegKey viaUsers =
        reg_->open(HKEY_USERS, QStringLiteral("S-1-5-21-7-8-9-1001\\") + kPostora).value();
    QCOMPARE(viaUsers.readInt(QStringLiteral("X")).value_or(0), 3);
    QVERIFY(reg_->keyExists(HKEY_USERS, QStringLiteral(".Default\\Control Panel\\Desktop")));
}

void TestRegistry::changedFilesAreReadAgain() {
    RegKey drivers =
        reg_->open(HKEY_CURRENT_USER, QStringLiteral("Software\\Wine\\Drivers")).value();
    QCOMPARE(drivers.readString(QStringLiteral("Audio")).value_or(QString()), "alsa");
    HiveFile user = HiveFile::parse(readFile(prefix_ + QStringLiteral("/user.reg")));
    user.setValue(u"Software\\Wine\\Drivers", RegValue::string(QStringLiteral("Audio"), "pulse"));
    writeFile(prefix_ + QStringLiteral("/user.reg"), user.serialize());
    QCOMPARE(drivers.readString(QStringLiteral("Audio")).value_or(QString()), "pulse");

    // Another process (here: another registry) saving our hive is seen too.
    RegKey mine = reg_->open(HKEY_CURRENT_USER, kPostora, true).value();
    QVERIFY(mine.writeInt(QStringLiteral("A"), 1));
    auto other = makeRegistry();
    QVERIFY(other->open(HKEY_CURRENT_USER, kPostora).value().writeInt(QStringLiteral("B"), 2));
    QCOMPARE(mine.readInt(QStringLiteral("B")).value_or(0), 2);
    QVERIFY(mine.writeInt(QStringLiteral("C"), 3)); // saved over the other's save, not instead
    QCOMPARE(makeRegistry()->open(HKEY_CURRENT_USER, kPostora)->valueNames(),
             QStringList({"A", "B", "C"}));
}

void TestRegistry::deleteValueAndKeyTree() {
    RegKey k = reg_->open(HKEY_CURRENT_USER, kPostora, true).value();
    QVERIFY(k.openSubKey(QStringLiteral("LastClient\\Deep\\Deeper"), true));
    QVERIFY(
        k.openSubKey(QStringLiteral("LastClient\\Deep")).value().writeInt(QStringLiteral("v"), 1));
    QVERIFY(k.openSubKey(QStringLiteral("Keep"), true));
    QVERIFY(k.writeInt(QStringLiteral("gone"), 1));
    QVERIFY(k.deleteValue(QStringLiteral("GONE")));
    QCOMPARE(k.deleteValue(QStringLiteral("gone")).code(), int(kFileNotFound));
    QVERIFY(k.deleteSubKey(QStringLiteral("lastclient")));
    QCOMPARE(k.deleteSubKey(QStringLiteral("LastClient")).code(), int(kFileNotFound));
    auto fresh = makeRegistry();
    QVERIFY(!fresh->keyExists(HKEY_CURRENT_USER, kPostora + QStringLiteral("\\LastClient\\Deep")));
    QCOMPARE(fresh->open(HKEY_CURRENT_USER, kPostora)->subKeyNames(), QStringList({"Keep"}));
    QVERIFY(fresh->open(HKEY_CURRENT_USER, kPostora)->valueNames().isEmpty());
    QVERIFY(fresh->deleteKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn")));
    QVERIFY(!fresh->keyExists(HKEY_CURRENT_USER, QStringLiteral("Software\\Kelvarn")));
    QCOMPARE(fresh->deleteKey(HKEY_CURRENT_USER, QStringLiteral("Software")).code(),
             int(kAccessDenied));
    const QString tooDeep = kPostora + QStringLiteral("\\k").repeated(HiveFile::kMaxDepth);
    QCOMPARE(fresh->open(HKEY_CURRENT_USER, tooDeep, true).code(), int(kInvalidName));
}

void TestRegistry::damagedOwnHiveIsMovedAside() {
    QDir().mkpath(QFileInfo(ownHive_).absolutePath());
    const QByteArray damaged = "WINE REGISTRY Version 2\n[HKEY_CURRENT_USER\\\\" +
                               kPostora.toUtf8().replace("\\", "\\\\") +
                               "] 1\n\"Kept\"=dword:00000005\n\x01\x02garbage\xff\n\"Torn\"=\"x";
    writeFile(ownHive_, damaged);
    RegKey k = reg_->open(HKEY_CURRENT_USER, kPostora).value();
    QCOMPARE(k.readInt(QStringLiteral("Kept")).value_or(0), 5);
    QCOMPARE(reg_->skippedLines(), 2);
    QVERIFY(k.writeInt(QStringLiteral("New"), 6));

    const QStringList aside = QDir(QFileInfo(ownHive_).absolutePath())
                                  .entryList({QStringLiteral("registry.reg.bad-*")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readFile(QFileInfo(ownHive_).absolutePath() + u'/' + aside[0]), damaged);
    const HiveFile saved = HiveFile::parse(readFile(ownHive_));
    QCOMPARE(saved.skippedLines(), 0);
    QCOMPARE(makeRegistry()->open(HKEY_CURRENT_USER, kPostora)->valueNames(),
             QStringList({"Kept", "New"}));
    QVERIFY(k.writeInt(QStringLiteral("Newer"), 7)); // a clean file is not moved again
    QCOMPARE(QDir(QFileInfo(ownHive_).absolutePath())
                 .entryList({QStringLiteral("registry.reg.bad-*")}, QDir::Files)
                 .size(),
             1);
}

void TestRegistry::batchSavesOnce() {
    RegKey k = reg_->open(HKEY_CURRENT_USER, kPostora, true).value();
    const QByteArray before = readFile(ownHive_);
    {
        RegistryBatch batch(*reg_);
        for (int i = 0; i < 50; ++i)
            QVERIFY(k.writeInt(QStringLiteral("V%1").arg(i), i));
        QCOMPARE(k.readInt(QStringLiteral("V49")).value_or(0), 49); // seen inside the batch
        QCOMPARE(readFile(ownHive_), before);                       // not saved yet
        QVERIFY(batch.commit());
    }
    QCOMPARE(makeRegistry()->open(HKEY_CURRENT_USER, kPostora)->valueNames().size(), 50);
}

void TestRegistry::configFromEnvironment() {
    struct Saved {
        const char* name;
        std::optional<QByteArray> value;
    };
    std::vector<Saved> saved;
    for (const char* name : {"HOME", "WINEPREFIX", "XDG_CONFIG_HOME"})
        saved.push_back(
            {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    qputenv("HOME", tmp_->path().toUtf8());
    qputenv("WINEPREFIX", prefix_.toUtf8());
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    const Registry::Config c = Registry::configFromEnvironment();
    qputenv("XDG_CONFIG_HOME", "/x/y");
    const QString absolute = Registry::configFromEnvironment().ownHivePath;
    qunsetenv("WINEPREFIX");
    const QString noPrefix = Registry::configFromEnvironment().prefixDir;
    for (const Saved& s : saved)
        s.value ? void(qputenv(s.name, *s.value)) : void(qunsetenv(s.name));

    QCOMPARE(c.prefixDir, prefix_);
    QCOMPARE(c.ownHivePath, tmp_->path() + QStringLiteral("/.config/postora/registry.reg"));
    QCOMPARE(absolute, QStringLiteral("/x/y/postora/registry.reg"));
    QCOMPARE(noPrefix, QString()); // no ~/.wine in the temporary home
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
