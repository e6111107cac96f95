// The two records as the program sees them: raw bytes at fixed offsets, not our structs.

#include "SqxTestKit.h"

// The mount table parser is internal to the library; its one source is compiled in here.
#include "DriveKind.cpp"
#include "MediaSizes.h"

#include "backup/SqxRecords.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstddef>

using namespace sqxtest;

namespace {

void putInt(QByteArray& record, int offset, int32_t value) {
    std::memcpy(record.data() + offset, &value, sizeof value);
}

int32_t intAt(const void* record, int offset) {
    int32_t value = 0;
    std::memcpy(&value, static_cast<const char*>(record) + offset, sizeof value);
    return value;
}

struct RawCall {
    int32_t reason, percentOrNeeded, disk, media;
    QByteArray name, path;
};

// Reads the callback record only through byte offsets, as the program does.
int32_t rawCallback(intptr_t user, SqxCallbackRecord* record) {
    const char* bytes = reinterpret_cast<const char*>(record);
    auto* calls = reinterpret_cast<std::vector<RawCall>*>(user);
    calls->push_back({intAt(bytes, 572), intAt(bytes, 576), intAt(bytes, 580), intAt(bytes, 564),
                      QByteArray(bytes + 4), QByteArray(bytes + 276)});
    if (intAt(bytes, 572) == 5) {
        // Rename through the raw field, as the program does.
        const QByteArray name = "Folder\\" + QByteArray(bytes + 4).split('/').last();
        std::memcpy(reinterpret_cast<char*>(record) + 4, name.constData(), size_t(name.size()) + 1);
    }
    return 1;
}

} // namespace

class TestSqxRecords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void structsMatchTheOffsets() {
        QCOMPARE(sizeof(SqxOptions), size_t(3740));
        QCOMPARE(offsetof(SqxOptions, password), size_t(40));
        QCOMPARE(offsetof(SqxOptions, tempFolder), size_t(584));
        QCOMPARE(offsetof(SqxOptions, multipleVolumes), size_t(1400));
        QCOMPARE(offsetof(SqxOptions, volumeSize), size_t(1416));
        QCOMPARE(offsetof(SqxOptions, fixed4), size_t(4));
        QCOMPARE(offsetof(SqxOptions, fixed16), size_t(16));
        QCOMPARE(offsetof(SqxOptions, fixed32), size_t(32));
        QCOMPARE(offsetof(SqxOptions, fixed1404), size_t(1404));
        QCOMPARE(offsetof(SqxCallbackRecord, name), size_t(4));
        QCOMPARE(offsetof(SqxCallbackRecord, path), size_t(276));
        QCOMPARE(offsetof(SqxCallbackRecord, mediaKind), size_t(564));
        QCOMPARE(offsetof(SqxCallbackRecord, reason), size_t(572));
        QCOMPARE(offsetof(SqxCallbackRecord, value), size_t(576));
        QCOMPARE(offsetof(SqxCallbackRecord, diskNumber), size_t(580));
    }

    void programBuiltRecordsWork() {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString file = tmp.path() + "/data.bin";
        QVERIFY(writeFile(file, sampleBytes(2 * 1357664, 4, false)));

        // The options exactly as the program fills them: zeros, then the documented offsets.
        QByteArray options(3740, '\0');
        putInt(options, 0, 3740);
        putInt(options, 4, 3);
        putInt(options, 16, 1);
        putInt(options, 32, 1);
        std::memcpy(options.data() + 40, "pass", 5);
        std::memcpy(options.data() + 584, "/tmp", 5);
        putInt(options, 1400, 1);
        putInt(options, 1404, 1);
        putInt(options, 1416, 1357664);

        void* slot = nullptr;
        QCOMPARE(SqxInitFileList(&slot), SQX_OK);
        QCOMPARE(SqxAddFileList(file.toUtf8().constData(), &slot), SQX_OK);
        std::vector<RawCall> calls;
        const QString archive = tmp.path() + "/out.ebk";
        QCOMPARE(SqxAddFiles(archive.toUtf8().constData(), &slot,
                             reinterpret_cast<const SqxOptions*>(options.constData()), &rawCallback,
                             reinterpret_cast<intptr_t>(&calls)),
                 SQX_OK);
        QCOMPARE(SqxDoneFileList(&slot), SQX_OK);

        QCOMPARE(calls.front().reason, 5);
        QCOMPARE(QString::fromUtf8(calls.front().name), file);
        int volumePrompts = 0;
        for (const auto& c : calls) {
            QVERIFY(c.reason == 0 || c.reason == 2 || c.reason == 5);
            if (c.reason == 0) QVERIFY(c.percentOrNeeded >= 0 && c.percentOrNeeded <= 100);
            if (c.reason != 2) continue;
            ++volumePrompts;
            QCOMPARE(c.disk, volumePrompts + 1);
            QCOMPARE(c.percentOrNeeded, 1357664);
            QCOMPARE(QString::fromUtf8(c.path), tmp.path() + "/");
            QVERIFY(c.media == 2 || c.media == 3 || c.media == 5);
        }
        QCOMPARE(volumePrompts, 2);
        const auto lastProgress = std::find_if(calls.rbegin(), calls.rend(),
                                               [](const RawCall& c) { return c.reason == 0; });
        QVERIFY(lastProgress != calls.rend());
        QCOMPARE(lastProgress->percentOrNeeded, 100);

        // Password at 40 and the renamed entry.
        const SqxOptions right = sqxtest::options("pass");
        const QString first = archive + ".001";
        QCOMPARE(SqxTestFiles(first.toUtf8().constData(), nullptr, &right, nullptr, 0), SQX_OK);
        const SqxOptions wrong = sqxtest::options("other");
        QCOMPARE(SqxTestFiles(first.toUtf8().constData(), nullptr, &wrong, nullptr, 0),
                 SQX_E_BAD_PASSWORD);
        QCOMPARE(listArchive(first).names, QStringList{"Folder/data.bin"});
    }

    void mediaChoiceVolumesFitTheirMedium_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<qint64>("holds");
        // What a formatted medium of each kind takes in files. Floppy: 2,880 sectors less the
        // boot sector, two FATs of 9 and a root folder of 14; Zip disks: the clusters of their
        // FAT16 data area. A CD: the sectors before the lead-out less the first track's
        // two-second pre-gap and the ISO 9660 volume's own 21 sectors.
        const auto cd = [](qint64 minutes) { return (minutes * 60 * 75 - 150 - 21) * 2048; };
        QTest::newRow("floppy") << 0 << qint64(2847) * 512;
        QTest::newRow("zip 100") << 1 << qint64(49039) * 2048;
        QTest::newRow("zip 250") << 2 << qint64(61116) * 4096;
        QTest::newRow("cd 650") << 3 << cd(74);
        QTest::newRow("cd 700") << 4 << cd(80);
    }

    void mediaChoiceVolumesFitTheirMedium() {
        // The choice in the options, through the program's record and the library, to bytes.
        QFETCH(int, choice);
        QFETCH(qint64, holds);
        const uint64_t volume = sqx::mediaVolumeBytes(backup::sqx::volumeSizeForMedia(choice));
        QVERIFY2(volume <= uint64_t(holds), qPrintable(QString::number(volume)));
        // ... and uses most of it.
        QVERIFY2(volume >= uint64_t(holds) / 10 * 9, qPrintable(QString::number(volume)));
    }

    void driveKinds() {
        // Media kind of the folder a volume goes to: the mount that holds it decides.
        const char* mounts =
            "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
            "30 22 11:0 / /media/ann/DISC ro,relatime shared:9 - iso9660 /dev/sr0 ro\n"
            "31 22 8:17 / /media/ann/STICK rw,relatime shared:10 - vfat /dev/sdb1 rw\n"
            "32 22 8:33 / /run/media/ann/Card rw - exfat /dev/sdc1 rw\n"
            "33 22 0:40 / /mnt/dvd ro - udf /dev/sr1 ro\n"
            "34 22 0:41 / /home/ann/My\\040Disc ro - iso9660 /dev/sr2 ro\n";
        QCOMPARE(sqx::driveKindOf("/home/ann/Backups", mounts), SQX_MEDIA_FIXED);
        QCOMPARE(sqx::driveKindOf("/media/ann/DISC/x", mounts), SQX_MEDIA_CDROM);
        QCOMPARE(sqx::driveKindOf("/media/ann/STICK", mounts), SQX_MEDIA_REMOVABLE);
        QCOMPARE(sqx::driveKindOf("/media/ann/STICKER", mounts), SQX_MEDIA_FIXED);
        QCOMPARE(sqx::driveKindOf("/run/media/ann/Card/b", mounts), SQX_MEDIA_REMOVABLE);
        QCOMPARE(sqx::driveKindOf("/mnt/dvd", mounts), SQX_MEDIA_CDROM);
        QCOMPARE(sqx::driveKindOf("/home/ann/My Disc/f", mounts), SQX_MEDIA_CDROM);
        QCOMPARE(sqx::driveKindOf("/x", "garbage\n- \n\n1 2 3\n"), SQX_MEDIA_FIXED);
    }
};

QTEST_GUILESS_MAIN(TestSqxRecords)
#include "tst_sqxrecords.moc"
