// The program's hive shared between processes: a writer killed in the middle
// of saving leaves the old or the new hive, never a torn one, and two
// processes writing at the same time both keep their values. The children
// are this executable, started with a role on its command line.

#include "platform/HiveFile.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <QtTest>

using namespace platform;

namespace {

const QString kKey = QStringLiteral("Software\\Kelvarn\\Postora");

// Sizes vary so that a torn file could not pass for a whole one.
qsizetype blobSize(qint32 n) {
    return 100000 + (n % 7) * 30000;
}

// Saves forever: a counter, a blob made from it and its text, in one save each time.
int churn(const QString& prefix, const QString& hive) {
    Registry reg({prefix, hive});
    for (;;) {
        RegistryBatch batch(reg);
        auto key = reg.open(HKEY_CURRENT_USER, kKey, true);
        if (!key) return 1;
        RegKey k = key.value();
        const qint32 n = k.readInt(QStringLiteral("n")).value_or(0) + 1;
        k.writeInt(QStringLiteral("n"), n);
        k.writeBinary(QStringLiteral("blob"), QByteArray(blobSize(n), char(n & 0xff)));
        k.writeString(QStringLiteral("check"), QString::number(n));
        if (!batch.commit()) return 1;
    }
}

// Writes `count` values named after `tag`, each in a save of its own.
int writeMany(const QString& prefix, const QString& hive, const QString& tag, int count) {
    Registry reg({prefix, hive});
    for (int i = 0; i < count; ++i) {
        auto key = reg.open(HKEY_CURRENT_USER, kKey, true);
        if (!key || !key.value().writeInt(tag + QString::number(i), i)) return 1;
    }
    return 0;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestRegistryDurability : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup() { children_.clear(); } // kills what still runs
    void killedWriterLeavesWholeHive();
    void concurrentWritersBothSurvive();

private:
    QProcess* start(const QStringList& args);
    std::unique_ptr<QTemporaryDir> tmp_;
    QString prefix_;
    QString hive_;
    std::vector<std::unique_ptr<QProcess>> children_;
};

void TestRegistryDurability::init() {
    children_.clear();
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    prefix_ = tmp_->filePath(QStringLiteral("prefix")); // no hives: nothing but our own
    hive_ = tmp_->filePath(QStringLiteral("config/postora/registry.reg"));
}

QProcess* TestRegistryDurability::start(const QStringList& args) {
    children_.push_back(std::make_unique<QProcess>());
    QProcess* p = children_.back().get();
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    p->start(QCoreApplication::applicationFilePath(), args);
    return p;
}

void TestRegistryDurability::killedWriterLeavesWholeHive() {
    QRandomGenerator rng(42);
    qint32 last = 0;
    for (int round = 0; round < 12; ++round) {
        const qint64 before = QFileInfo(hive_).lastModified().toMSecsSinceEpoch();
        QProcess* child = start({QStringLiteral("--churn"), prefix_, hive_});
        QVERIFY(child->waitForStarted());
        // Let it save at least once, then kill it at some moment of its work.
        QElapsedTimer t;
        t.start();
        while (readFile(hive_).isEmpty() ||
               (round > 0 && QFileInfo(hive_).lastModified().toMSecsSinceEpoch() == before)) {
            QVERIFY2(t.elapsed() < 20000, "the writer never saved");
            QThread::msleep(2);
        }
        QThread::msleep(rng.bounded(40));
        child->kill();
        QVERIFY(child->waitForFinished());

        const HiveFile h = HiveFile::parse(readFile(hive_));
        QVERIFY(h.headerOk());
        QCOMPARE(h.skippedLines(), 0);
        const HiveKey* k = h.findKey(QStringLiteral("HKEY_CURRENT_USER\\") + kKey);
        QVERIFY(k && k->value(u"n") && k->value(u"blob") && k->value(u"check"));
        const qint32 n = qFromLittleEndian<qint32>(k->value(u"n")->data.constData());
        QCOMPARE(k->value(u"check")->text(), QString::number(n));
        QCOMPARE(k->value(u"blob")->data, QByteArray(blobSize(n), char(n & 0xff)));
        QVERIFY(n > last); // every round saved something, and nothing went back
        last = n;
    }
    // The dead writer's lock is gone and its leftovers do not stand in the way.
    Registry reg({prefix_, hive_});
    QVERIFY(reg.open(HKEY_CURRENT_USER, kKey).value().writeInt(QStringLiteral("after"), 1));
    QCOMPARE(reg.open(HKEY_CURRENT_USER, kKey)->readInt(QStringLiteral("n")).value_or(0), last);
}

void TestRegistryDurability::concurrentWritersBothSurvive() {
    constexpr int kEach = 40;
    QProcess* a = start(
        {QStringLiteral("--write"), prefix_, hive_, QStringLiteral("A"), QString::number(kEach)});
    QProcess* b = start(
        {QStringLiteral("--write"), prefix_, hive_, QStringLiteral("B"), QString::number(kEach)});
    QVERIFY(a->waitForFinished(120000) && b->waitForFinished(120000));
    QCOMPARE(a->exitCode(), 0);
    QCOMPARE(b->exitCode(), 0);
    Registry reg({prefix_, hive_});
    RegKey k = reg.open(HKEY_CURRENT_USER, kKey).value();
    QCOMPARE(k.valueNames().size(), 2 * kEach);
    for (int i = 0; i < kEach; ++i) {
        QCOMPARE(k.readInt(QStringLiteral("A%1").arg(i)).value_or(-1), i);
        QCOMPARE(k.readInt(QStringLiteral("B%1").arg(i)).value_or(-1), i);
    }
    QCOMPARE(reg.skippedLines(), 0);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--churn")) return churn(args[2], args[3]);
    if (args.size() == 6 && args[1] == QLatin1String("--write"))
        return writeMany(args[2], args[3], args[4], args[5].toInt());
    TestRegistryDurability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registry_durability.moc"
