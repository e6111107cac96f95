// The running-client window: its captions, design and translated, what each
// button answers, "Close all", and the guard showing it for a real X window of
// a running client.

#include "app/gui/GuiInteraction.h"
#include "clients/RunningClientGuard.h"
#include "clients/WindowList.h"
#include "clients/gui/FakeClient.h"
#include "clients/gui/RunningClientsWindow.h"
#include "clients/gui/XServer.h"
#include "lang/CaptionTranslator.h"
#include "lang/LanguageFile.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "support/ScopedEnv.h"
#include "support/WhenModal.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using EnvVar = support::ScopedEnv;

using support::whenModal;

class SilentInteraction : public base::ConsoleInteraction {
public:
    QStringList shown;
    void showError(const QString& t) override { shown << t; }
    void showWarning(const QString& t) override { shown << t; }
};

template <typename T> T* child(QWidget* w, const char* name) {
    return w->findChild<T*>(QLatin1String(name));
}

} // namespace

class TstForm5 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void designCaptions();
    void translatedWhenMade();
    void buttons_data();
    void buttons();
    void waitButtonOnlyWhenAsked();
    void closeAllHandsOverTheTitles();
    void guardShowsTheClientsXWindow();
};

void TstForm5::designCaptions() {
    clients::RunningClientsWindow form;
    QCOMPARE(form.objectName(), QStringLiteral("Form5"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Active windows:"));
    QCOMPARE(child<QLabel>(&form, "Label1")->text(),
             QStringLiteral("To backup you must close these programs:"));
    QCOMPARE(child<QPushButton>(&form, "Button1")->text(), QStringLiteral("OK"));
    QCOMPARE(child<QPushButton>(&form, "Button2")->text(), QStringLiteral("Wait 5 minutes"));
    QCOMPARE(child<QPushButton>(&form, "Button3")->text(), QStringLiteral("Close all"));
    QCOMPARE(child<QPushButton>(&form, "Button4")->text(), QStringLiteral("Cancel"));
}

void TstForm5::translatedWhenMade() {
    QTemporaryDir dir;
    const QString host = dir.filePath(QStringLiteral("Deutsch.lng"));
    QFile f(host);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Form1]\r\nLabel1=Not here\r\n"
            "[Form5]\r\nLabel1= Bitte schlie\xc3\x9f"
            "en Sie diese Programme: \r\nButton1=\"Weiter\"\r\nButton3=Alle beenden\r\n"
            "Button4=Abbrechen\r\nListBox1=never\r\n");
    f.close();
    platform::Files fs{platform::DriveMap()};
    SilentInteraction ui;
    lang::LanguageFlags flags;
    lang::CaptionTranslator lng(fs, ui, flags);
    lng.SetFileName(fs.windowsPath(host));

    clients::RunningClientsWindow form(nullptr, &lng);
    QCOMPARE(child<QLabel>(&form, "Label1")->text(),
             QStringLiteral("Bitte schließen Sie diese Programme:"));
    QCOMPARE(child<QPushButton>(&form, "Button1")->text(), QStringLiteral("Weiter"));
    QCOMPARE(child<QPushButton>(&form, "Button2")->text(), QStringLiteral("Wait 5 minutes"));
    QCOMPARE(child<QPushButton>(&form, "Button3")->text(), QStringLiteral("Alle beenden"));
    QCOMPARE(child<QPushButton>(&form, "Button4")->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Active windows:")); // titles stay
    QVERIFY(ui.shown.isEmpty());

    // The window the windowed interaction makes for itself is translated too.
    app::GuiInteraction gui;
    gui.setCaptions(&lng);
    QString ok;
    whenModal([&](QWidget* w) {
        ok = w->findChild<QPushButton*>(QStringLiteral("Button1"))->text();
        w->close();
    });
    gui.showRunningClients(2, {QStringLiteral("Inbox")}, nullptr);
    QCOMPARE(ok, QStringLiteral("Weiter"));

    // Without a file name nothing is translated and no box is shown.
    lang::CaptionTranslator none(fs, ui, flags);
    clients::RunningClientsWindow plain(nullptr, &none);
    QCOMPARE(child<QPushButton>(&plain, "Button1")->text(), QStringLiteral("OK"));
    QVERIFY(ui.shown.isEmpty());
}

void TstForm5::buttons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("answer");
    QTest::newRow("OK") << "Button1" << 3 << int(base::Interaction::GuardAnswer::Ok);
    QTest::newRow("Close all") << "Button3" << 1 << int(base::Interaction::GuardAnswer::CloseAll);
    QTest::newRow("Cancel") << "Button4" << 0 << int(base::Interaction::GuardAnswer::Cancel);
    QTest::newRow("close box") << QString() << 0 << int(base::Interaction::GuardAnswer::Cancel);
}

void TstForm5::buttons() {
    QFETCH(QString, button);
    QFETCH(int, choice);
    QFETCH(int, answer);
    clients::RunningClientsWindow form;
    QStringList listed;
    whenModal([&](QWidget* w) {
        listed = form.listedTitles();
        if (button.isEmpty())
            w->close();
        else
            w->findChild<QPushButton*>(button)->click();
    });
    QCOMPARE(form.ShowModal({QStringLiteral("Inbox"), QStringLiteral("Reminder")}, nullptr),
             choice);
    QCOMPARE(listed, (QStringList{"Inbox", "Reminder"}));
    QVERIFY(form.listedTitles().isEmpty()); // closing empties the list

    // The same through the windowed interaction.
    app::GuiInteraction gui;
    gui.setGuardWindow(&form);
    whenModal([&](QWidget* w) {
        if (button.isEmpty())
            w->close();
        else
            w->findChild<QPushButton*>(button)->click();
    });
    QCOMPARE(int(gui.showRunningClients(2, {QStringLiteral("Inbox")}, nullptr)), answer);
}

void TstForm5::waitButtonOnlyWhenAsked() {
    clients::RunningClientsWindow form;
    bool visible = true;
    whenModal([&](QWidget* w) {
        visible = w->findChild<QPushButton*>(QStringLiteral("Button2"))->isVisible();
        w->close();
    });
    form.ShowModal({QStringLiteral("x")}, nullptr);
    QVERIFY(!visible);

    form.setChoice(2);
    whenModal([&](QWidget* w) {
        QPushButton* wait = w->findChild<QPushButton*>(QStringLiteral("Button2"));
        visible = wait->isVisible();
        wait->click();
    });
    QCOMPARE(form.ShowModal({QStringLiteral("x")}, nullptr), 2);
    QVERIFY(visible);
}

void TstForm5::closeAllHandsOverTheTitles() {
    clients::RunningClientsWindow form;
    QStringList handed;
    whenModal([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("Button3"))->click(); });
    const int choice =
        form.ShowModal({QStringLiteral("a"), QStringLiteral("b")}, [&](QStringList& titles) {
            handed = titles;
            titles.removeFirst();
        });
    QCOMPARE(choice, 1);
    QCOMPARE(handed, (QStringList{"a", "b"}));
    QVERIFY(form.listedTitles().isEmpty()); // what was left is dropped
}

void TstForm5::guardShowsTheClientsXWindow() {
    testx::XServer x;
    if (!x.isRunning()) QSKIP("Xvfb is not installed");
    EnvVar display("DISPLAY", x.display());
    EnvVar wayland("WAYLAND_DISPLAY", QByteArray());
    QTemporaryDir dir;
    testx::FakeClient outlook(dir.path(), QStringLiteral("outlook.exe"));
    QVERIFY(outlook.isRunning());
    testx::WindowMaker maker(x.display());
    QVERIFY(maker.isOk());
    testx::WindowMaker::Spec spec;
    spec.title = "Inbox - Microsoft Outlook";
    spec.pid = outlook.pid();
    maker.make(spec);
    testx::WindowMaker::Spec other;
    other.title = "Calculator";
    other.pid = quint32(QCoreApplication::applicationPid());
    maker.make(other);

    clients::WindowList list;
    list.WhatDoFind = clients::id_All;
    list.TaskBarSty = false;
    app::GuiInteraction gui;
    clients::RunningClientGuard guard(list, gui);
    QStringList listed;
    whenModal([&](QWidget* w) {
        QListWidget* box = w->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        for (int i = 0; i < box->count(); ++i)
            listed << box->item(i)->text();
        w->findChild<QPushButton*>(QStringLiteral("Button4"))->click();
    });
    QVERIFY(guard.CheckRunningClient(2));
    QVERIFY(!list.fromProcessList());
    QCOMPARE(listed, QStringList{QStringLiteral("Inbox - Microsoft Outlook")});
    QVERIFY(outlook.isRunning());

    // "Close all" asks first, then ends the process behind the window.
    int asked = 0;
    QTimer answer;
    answer.setInterval(20);
    connect(&answer, &QTimer::timeout, &answer, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++asked;
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start();
    whenModal([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("Button3"))->click(); });
    QVERIFY(!guard.CheckRunningClient(2));
    QCOMPARE(asked, 1);
    QVERIFY(outlook.waitForEnd(5000));
}

QTEST_MAIN(TstForm5)
#include "tst_runningclientswindow.moc"
