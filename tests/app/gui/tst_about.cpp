// The about box in a second language, the painted pictures the windows
// show (none empty, none the same as another), and the help page beside the
// program.

#include "app/gui/AboutBox.h"
#include "app/gui/Artwork.h"
#include "app/gui/HelpPage.h"
#include "lang/CaptionTranslator.h"
#include "lang/LanguageFile.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "support/FakeInteraction.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Not blank: more than one colour, and some pixels not transparent.
bool painted(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) colours.insert(image.pixel(x, y));
    return colours.size() > 2;
}

QList<QImage> imagesOf(const QList<QIcon>& icons, int size) {
    QList<QImage> out;
    for (const QIcon& icon : icons)
        out << icon.pixmap(size, size).toImage();
    return out;
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aboutBoxTranslatesItsCaptions() {
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("Deutsch.lng")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Language]\r\nLanguage=Deutsch\r\n[Form4]\r\nButton1=Gut\r\n"
                "Label4=Bibliotheken:\r\n");
        f.close();
        const platform::Files files{platform::DriveMap()};
        testsupport::FakeInteraction ui;
        lang::LanguageFlags flags;
        lang::CaptionTranslator lng(files, ui, flags);
        lng.SetFileName(files.windowsPath(f.fileName()));

        app::AboutBox about(nullptr, &lng);
        QCOMPARE(about.objectName(), QStringLiteral("Form4"));
        QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("Button1"))->text(),
                 QStringLiteral("Gut"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("Label4"))->text(),
                 QStringLiteral("Bibliotheken:"));
        // Not named by the file: kept.
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Version 1.7 revision 0"));
        QVERIFY(about.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->isReadOnly());
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
    }

    void picturesArePaintedAndTellApart_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("16") << 16;
        QTest::newRow("32") << 32;
    }
    void picturesArePaintedAndTellApart() {
        QFETCH(int, size);
        const QList<QImage> clients = imagesOf(app::ClientPictures(), size);
        const QList<QImage> checks = imagesOf(app::CheckImages(), size);
        QCOMPARE(clients.size(), 11);
        QCOMPARE(checks.size(), 3);
        for (const QList<QImage>& set : {clients, checks}) {
            for (int i = 0; i < set.size(); ++i) {
                QVERIFY2(painted(set[i]), qPrintable(QString::number(i)));
                QCOMPARE(set[i].size(), QSize(size, size));
                for (int j = 0; j < i; ++j)
                    QVERIFY2(set[i] != set[j], qPrintable(QStringLiteral("%1 = %2").arg(i).arg(j)));
            }
        }
        QVERIFY(painted(app::AppIcon().pixmap(size, size).toImage()));
        QVERIFY(painted(app::BannerPixmap(552, 70).toImage()));
    }

    void helpPageIsFoundBesideTheProgramOnly() {
        QTemporaryDir dir;
        QCOMPARE(app::HelpPagePath(dir.path()), QString());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("help")));
        QFile page(dir.filePath(QStringLiteral("help/index.html")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        QCOMPARE(app::HelpPagePath(dir.path()), QFileInfo(page).absoluteFilePath());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
