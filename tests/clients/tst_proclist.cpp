// The process list: real processes found under their executable names, the
// order of the list, and the priority and executable-type texts.

#include "clients/ProcessList.h"
#include "clients/gui/FakeClient.h"

#include <QTemporaryDir>
#include <QTest>

using clients::ProcessList;

namespace {

platform::ProcessEntry process(quint32 pid, const QString& exePath, qint32 priority = 8) {
    platform::ProcessEntry p;
    p.pid = pid;
    p.exePath = exePath;
    p.exeName = exePath.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    p.basePriority = priority;
    return p;
}

quint32 type(const char sig[2], quint32 version) {
    return quint32(quint8(sig[0])) | quint32(quint8(sig[1])) << 8 | version << 16;
}

} // namespace

class TstProcList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsRunningProcess();
    void sortedByNameKeepingDuplicates();
    void priorityTexts();
    void exeTypeTexts_data();
    void exeTypeTexts();
};

void TstProcList::findsRunningProcess() {
    QTemporaryDir dir;
    testx::FakeClient client(dir.path(), QStringLiteral("outlook.exe"));
    QVERIFY(client.isRunning());
    ProcessList list;
    list.Refresh();
    bool found = false;
    for (int i = 0; i < list.count(); ++i) {
        const auto& e = list.processes()[size_t(i)];
        if (e.info.pid == client.pid()) {
            found = true;
            QCOMPARE(e.name, QStringLiteral("outlook.exe"));
            QCOMPARE(e.info.exePath, client.path());
            QCOMPARE(list.ProcessId(i), client.pid());
            QVERIFY(e.info.exeType.isEmpty()); // an ELF file is no Windows executable
        }
    }
    QVERIFY(found);
    QCOMPARE(list.ProcessId(-1), 0u);
    QCOMPARE(list.ProcessId(list.count()), 0u);
    QVERIFY(list.ModuleList().empty());
}

void TstProcList::sortedByNameKeepingDuplicates() {
    const std::vector<platform::ProcessEntry> snapshot{
        process(1, QStringLiteral("/usr/bin/zsh")),
        process(2, QStringLiteral("C:\\Program Files\\Outlook\\OUTLOOK.EXE")),
        process(3, QStringLiteral("/usr/bin/bash")),
        process(4, QStringLiteral("/opt/Outlook.exe")),
        process(5, QStringLiteral("/opt/ZuveDizizo.exe")),
        process(6, QStringLiteral("/usr/bin/bash"))};
    ProcessList list([&] { return snapshot; }, [](const QString&) { return 0u; });
    list.Refresh();
    QStringList names;
    QList<quint32> pids;
    for (const auto& e : list.processes()) {
        names << e.name;
        pids << e.info.pid;
    }
    QCOMPARE(names,
             (QStringList{"bash", "bash", "OUTLOOK.EXE", "Outlook.exe", "zsh", "ZuveDizizo.exe"}));
    QCOMPARE(pids, (QList<quint32>{3, 6, 2, 4, 1, 5}));
    // A second refresh starts afresh.
    list.Refresh();
    QCOMPARE(list.count(), 6);
}

void TstProcList::priorityTexts() {
    const std::vector<platform::ProcessEntry> snapshot{
        process(1, QStringLiteral("/a"), 4), process(2, QStringLiteral("/b"), 8),
        process(3, QStringLiteral("/c"), 13), process(4, QStringLiteral("/d"), 24),
        process(5, QStringLiteral("/e"), 7)};
    ProcessList list([&] { return snapshot; }, [](const QString&) { return 0u; });
    list.Refresh();
    QStringList texts;
    for (const auto& e : list.processes())
        texts << e.info.priority;
    QCOMPARE(texts,
             (QStringList{"[Idle    ]", "[Normal  ]", "[High    ]", "[RealTime]", "[Unknown]"}));
    for (const QString& t : texts)
        QVERIFY(t.size() <= 12);
}

void TstProcList::exeTypeTexts_data() {
    QTest::addColumn<quint32>("exeType");
    QTest::addColumn<QString>("text");
    QTest::newRow("no executable") << 0u << QString();
    QTest::newRow("PE 3.0") << type("PE", 0x0300) << "16-Bit";
    QTest::newRow("NE 3.10") << type("NE", 0x030A) << "16-Bit";
    QTest::newRow("PE 4.0") << type("PE", 0x0400) << "32-Bit";
    QTest::newRow("PE 5.0") << type("PE", 0x0500) << "hi:1280";
    QTest::newRow("no signature, 4.0") << (0x0400u << 16) << "32-Bit";
    QTest::newRow("VxD") << type("LE", 0) << "Vxd";
    QTest::newRow("DOS") << type("MZ", 0) << "MS-Dos";
    QTest::newRow("other signature") << type("XY", 0) << QStringLiteral("lo:%1").arg(0x5958);
}

void TstProcList::exeTypeTexts() {
    QFETCH(quint32, exeType);
    QFETCH(QString, text);
    QCOMPARE(ProcessList::ExeTypeText(exeType), text);
    QVERIFY(ProcessList::ExeTypeText(exeType).size() <= 12);
}

QTEST_GUILESS_MAIN(TstProcList)
#include "tst_proclist.moc"
