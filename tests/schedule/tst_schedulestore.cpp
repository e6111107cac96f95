// The schedule's stored state: client keys with "Selected", "Identity" and
// "Items"; "LastBackupDate"; and the start-with-the-session entries that the
// enable box writes and removes.

#include "clients/ProcessList.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/OleDate.h"
#include "platform/Registry.h"
#include "schedule/CompanionControl.h"
#include "schedule/ScheduleStore.h"
#include "support/SamplePrefix.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace schedule;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

class TstScheduleStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectedDefaults();
    void listsRoundTrip();
    void badClientKeys();
    void lastBackupDate();
    void startupEntries();
    void autostartEntryQuoting();
};

void TstScheduleStore::selectedDefaults() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    ScheduleStore store(*reg);
    QVERIFY(!store.EnsureSelected(2));
    auto key = reg->open(HKEY_CURRENT_USER, ScheduleStore::ClientKeyPath(2));
    QVERIFY(key);
    QCOMPARE(key.value().readInt(QStringLiteral("Selected")), std::optional<qint32>(0));

    QVERIFY(store.WriteSelected(967, true));
    QVERIFY(store.EnsureSelected(967)); // kept as it was
    QVERIFY(store.ReadSelected(967));
    QVERIFY(!store.ReadSelected(3)); // no key at all
    // Any non-zero number reads true.
    auto k = reg->open(HKEY_CURRENT_USER, ScheduleStore::ClientKeyPath(5), true);
    QVERIFY(k.value().writeInt(QStringLiteral("Selected"), -7));
    QVERIFY(store.ReadSelected(5));
    QVERIFY(store.EnsureSelected(5));
}

void TstScheduleStore::listsRoundTrip() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    ScheduleStore store(*reg);
    QVERIFY(
        store.SaveLists(1,
                        {{QStringLiteral("Main Identity"), true},
                         {QStringLiteral("Ann"), false},
                         {QStringLiteral("Bob"), true}},
                        {{QStringLiteral("Mail"), true}, {QStringLiteral("Address Book"), false}}));
    // Identities compare without regard to case, items exactly; only true values check.
    QCOMPARE(store.IdentityChecks(1, {"main identity", "ANN", "bob", "Carl"}),
             (QList<bool>{true, false, true, false}));
    QCOMPARE(store.ItemChecks(1, {"mail", "Mail", "Address Book", "Rules"}),
             (QList<bool>{false, true, false, false}));

    // Saving again replaces the lists, in the new order.
    QVERIFY(store.SaveLists(1, {{QStringLiteral("Bob"), false}}, {}));
    const ClientChoice choice = store.ReadClientChoice(QStringLiteral("1"));
    QCOMPARE(choice.identities.size(), size_t(1));
    QCOMPARE(choice.identities[0], (NamedCheck{QStringLiteral("Bob"), false}));
    QVERIFY(choice.items.empty());
    QVERIFY(choice.hasItems);
    QCOMPARE(store.IdentityChecks(1, {"Main Identity"}), (QList<bool>{false}));
    // A client without a key shows everything unchecked.
    QCOMPARE(store.ItemChecks(4, {"Mail"}), (QList<bool>{false}));
}

void TstScheduleStore::badClientKeys() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    ScheduleStore store(*reg);
    auto base = reg->open(HKEY_CURRENT_USER, ScheduleStore::kClientsKey, true);
    QVERIFY(base);
    for (const char* name : {"2", "10", "abc", "94"})
        QVERIFY(base.value().openSubKey(QString::fromLatin1(name), true));
    // As the registry lists them: sorted as text.
    QCOMPARE(store.ClientKeyNames(), (QStringList{"10", "2", "94", "abc"}));

    // No "Selected", no "Items": not selected, and known to lack the items.
    ClientChoice c = store.ReadClientChoice(QStringLiteral("2"));
    QVERIFY(!c.selected);
    QVERIFY(!c.hasItems);
    QVERIFY(c.identities.empty());
    QVERIFY(!store.ReadClientChoice(QStringLiteral("missing")).selected);

    // Values of the wrong type read as not ticked; "Selected" as text is no choice.
    auto k = base.value().openSubKey(QStringLiteral("94"), true).value();
    QVERIFY(k.writeString(QStringLiteral("Selected"), QStringLiteral("1")));
    auto items = k.openSubKey(QStringLiteral("Items"), true).value();
    QVERIFY(items.writeString(QStringLiteral("Mail"), QStringLiteral("yes")));
    QVERIFY(items.writeInt(QStringLiteral("News"), 1));
    c = store.ReadClientChoice(QStringLiteral("94"));
    QVERIFY(!c.selected);
    QVERIFY(c.hasItems);
    QCOMPARE(c.items, (std::vector<NamedCheck>{{"Mail", false}, {"News", true}}));
}

void TstScheduleStore::lastBackupDate() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    ScheduleStore store(*reg);
    QCOMPARE(store.ReadLastBackupDate(), std::nullopt);
    const QDateTime t(QDate(2028, 2, 29), QTime(10, 0));
    QVERIFY(store.WriteLastBackupDate(t));
    QCOMPARE(store.ReadLastBackupDate(), std::optional<QDateTime>(t));
    // Stored as an 8-byte OLE date.
    const auto bytes = reg->open(HKEY_CURRENT_USER, ScheduleStore::kSettingsKey)
                           .value()
                           .readBinary(QStringLiteral("LastBackupDate"));
    QVERIFY(bytes);
    QCOMPARE(platform::oleDateFromBytes(*bytes), std::optional<QDateTime>(t));
    // A damaged value is no date.
    QVERIFY(reg->open(HKEY_CURRENT_USER, ScheduleStore::kSettingsKey)
                .value()
                .writeBinary(QStringLiteral("LastBackupDate"), QByteArray("\x01\x02\x03", 3)));
    QCOMPARE(store.ReadLastBackupDate(), std::nullopt);
}

void TstScheduleStore::startupEntries() {
    support::SamplePrefix prefix;
    auto reg = prefix.registry();
    auto fs = prefix.files();
    clients::ProcessList procs;
    const QString programHost = prefix.root() + QStringLiteral("/program folder");
    QVERIFY(QDir().mkpath(programHost));
    const QString programWin = platform::includeTrailingBackslash(fs->windowsPath(programHost));
    CompanionControl control(*reg, *fs, procs, programWin, nullptr);

    QVERIFY(control.RegisterStartup());
    auto run = reg->open(HKEY_LOCAL_MACHINE, CompanionControl::kRunKey);
    QVERIFY(run);
    QCOMPARE(run.value().readString(QStringLiteral("ZuveDizizo")),
             std::optional<QString>(programWin + QStringLiteral("ZuveDizizo.exe")));
    const QString autostart = prefix.configHome() + QStringLiteral("/autostart/ZuveDizizo.desktop");
    QCOMPARE(CompanionControl::AutostartPath(), autostart);
    QFile entry(autostart);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    entry.close();
    QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    QVERIFY(text.contains(QStringLiteral("\nType=Application\n")));
    QVERIFY(text.contains(QStringLiteral("/program folder/ZuveDizizo.exe\"\n")));
    QVERIFY(text.contains(QStringLiteral("WINEPREFIX=") + prefix.prefixDir()));

    // Written again: one value, one file.
    QVERIFY(control.RegisterStartup());
    QCOMPARE(run.value().valueNames().count(QStringLiteral("ZuveDizizo")), 1);

    QVERIFY(control.UnregisterStartup());
    QVERIFY(!run.value().valueExists(QStringLiteral("ZuveDizizo")));
    QVERIFY(!QFile::exists(autostart));
    // Removing what is not there is no failure.
    QVERIFY(control.UnregisterStartup());
}

void TstScheduleStore::autostartEntryQuoting() {
    const QString entry = QString::fromUtf8(CompanionControl::AutostartEntry(
        QStringLiteral("/opt/a \"b\" $c `d` \\e 100%/ZuveDizizo.exe"), QString()));
    // Quoted, the special characters escaped inside the quotes, then every
    // backslash doubled for the string value, and "%" doubled for the field codes.
    QVERIFY(entry.contains(QStringLiteral(
        "Exec=\"/opt/a \\\\\"b\\\\\" \\\\$c \\\\`d\\\\` \\\\\\\\e 100%%/ZuveDizizo.exe\"\n")));
    QVERIFY(!entry.contains(QStringLiteral("WINEPREFIX")));
    const QString withPrefix = QString::fromUtf8(CompanionControl::AutostartEntry(
        QStringLiteral("/p/ZuveDizizo.exe"), QStringLiteral("/w p")));
    QVERIFY(withPrefix.contains(
        QStringLiteral("Exec=env \"WINEPREFIX=/w p\" \"/p/ZuveDizizo.exe\"\n")));
}

QTEST_GUILESS_MAIN(TstScheduleStore)
#include "tst_schedulestore.moc"
