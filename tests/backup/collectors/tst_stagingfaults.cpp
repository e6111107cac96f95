// Every collector over every client of the sample, with each kind of staging
// write failing in turn (a registry dump, the manifest, a folder map, a
// staging folder): the backup fails naming what could not be written, the
// previous archive stays byte for byte, and nothing is left beside it.

#include "support/BackupRig.h"
#include "support/clients/EveryClient.h"
#include "support/clients/OutlookExpressSample.h"

#include "backup/BackupRequest.h"
#include "clients/Clients.h"
#include "platform/Files.h"

#include <QDir>
#include <QMap>

using testsupport::BackupRig;

namespace {

// What a staging path is, for picking one path of each kind.
QString kindOf(const QString& path) {
    const QString name = platform::extractFileName(path).toLower();
    if (name.endsWith(QLatin1String(".reg"))) return QStringLiteral("dump");
    if (name == QLatin1String("infobak.ini")) return QStringLiteral("manifest");
    if (name.endsWith(QLatin1String(".ini"))) return QStringLiteral("map");
    return QStringLiteral("folder");
}

QByteArray readHost(const QString& host) {
    QFile f(host);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestStagingFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyCollectorFailsOnEveryKindOfStagingWrite() {
        if (!testsupport::haveArchiveTools()) QFAIL("7z and bsdtar are needed");
        BackupRig rig;
        support::addEveryClient(rig.prefix);

        QList<int> codes;
        for (int base = clients::kOutlookExpress; base <= clients::kFavorites; ++base) {
            const auto versions = rig.catalogue.GetClientVersions(base);
            if (versions.isEmpty())
                codes << base;
            else
                for (const auto& v : versions)
                    codes << v.code;
        }
        const QString staging = rig.staging.windowsPath().toLower();
        QStringList written;
        QString failOn;
        rig.files->setWriteFault([&](const QString& path) -> platform::Status {
            if (!path.toLower().startsWith(staging)) return {};
            if (!failOn.isEmpty() && path.compare(failOn, Qt::CaseInsensitive) == 0)
                return platform::Error{platform::kDiskFull, QStringLiteral("no space left")};
            written << path;
            return {};
        });

        int faults = 0;
        QSet<QString> kindsSeen;
        for (int code : std::as_const(codes)) {
            if (!backup::CollectorFor(code)) continue;
            QStringList ids;
            QStringList items;
            rig.catalogue.GetIdentitiesAndItems(code, ids, items);
            rig.target = QStringLiteral("C:\\Backups\\client %1.ebk").arg(code);
            const QString host = rig.archive();

            written.clear();
            failOn.clear();
            QVERIFY2(
                !rig.run(code, BackupRig::ticked(ids), BackupRig::ticked(items)),
                qPrintable(QStringLiteral("%1: %2").arg(code).arg(rig.state().BackupErrorText)));
            const QByteArray good = readHost(host);
            QVERIFY(!good.isEmpty());

            QMap<QString, QString> oneOfEach;
            for (const QString& p : std::as_const(written))
                if (!oneOfEach.contains(kindOf(p))) oneOfEach.insert(kindOf(p), p);
            QVERIFY2(oneOfEach.contains(QStringLiteral("manifest")),
                     qPrintable(QString::number(code)));
            for (auto it = oneOfEach.cbegin(); it != oneOfEach.cend(); ++it) {
                failOn = it.value();
                // As at the first backup of a run: nothing staged yet.
                QDir st(rig.staging.hostPath());
                for (const QFileInfo& e : st.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                           QDir::Hidden | QDir::System))
                    QVERIFY(e.isDir() ? QDir(e.filePath()).removeRecursively()
                                      : QFile::remove(e.filePath()));
                const QString what =
                    QStringLiteral("client %1, %2 %3").arg(code).arg(it.key(), failOn);
                QVERIFY2(rig.run(code, BackupRig::ticked(ids), BackupRig::ticked(items)),
                         qPrintable(what));
                QVERIFY2(rig.state().BackupErrorText.contains(failOn, Qt::CaseInsensitive),
                         qPrintable(what + QStringLiteral(": ") + rig.state().BackupErrorText));
                QVERIFY2(readHost(host) == good, qPrintable(what));
                const QStringList beside = QDir(QFileInfo(host).absolutePath())
                                               .entryList(QDir::Files | QDir::Hidden | QDir::System)
                                               .filter(QStringLiteral("client %1").arg(code));
                QVERIFY2(beside == QStringList{QFileInfo(host).fileName()},
                         qPrintable(what + QStringLiteral(": ") + beside.join(u',')));
                kindsSeen.insert(it.key());
                ++faults;
            }
        }
        qInfo("%d staging faults over %lld client codes", faults, qlonglong(codes.size()));
        for (const char* kind : {"dump", "manifest", "map", "folder"})
            QVERIFY2(kindsSeen.contains(QLatin1String(kind)), kind);
    }

    void stagingFolderRemovedHalfWayFailsAndIsNotMadeAgain() {
        if (!testsupport::haveArchiveTools()) QFAIL("7z and bsdtar are needed");
        BackupRig rig;
        support::addOutlookExpress(rig.prefix);
        rig.prefix.save();
        QStringList ids;
        QStringList items;
        rig.catalogue.GetIdentitiesAndItems(clients::kOutlookExpress, ids, items);
        QVERIFY(
            !rig.run(clients::kOutlookExpress, BackupRig::ticked(ids), BackupRig::ticked(items)));
        const QByteArray good = readHost(rig.archive());

        QVERIFY(QDir(rig.staging.hostPath()).removeRecursively());
        QVERIFY(
            rig.run(clients::kOutlookExpress, BackupRig::ticked(ids), BackupRig::ticked(items)));
        QVERIFY(!rig.state().BackupErrorText.isEmpty());
        QCOMPARE(readHost(rig.archive()), good);
        // Made anew by a recursive create, it would be open to every user.
        QVERIFY(!QFileInfo::exists(rig.staging.hostPath()));
    }
};

QTEST_GUILESS_MAIN(TestStagingFaults)
#include "tst_stagingfaults.moc"
