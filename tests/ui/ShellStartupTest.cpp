#include "ShellTestSupport.h"
#include "gateway/ZAVGateway.h"
#include "settings/MemorySettingsStore.h"
#include "settings/ProjectSettings.h"
#include "support/ProjectBuilding.h"
#include "shell/LockKeyIndicators.h"
#include "shell/StartDialog.h"
#include "views/TarnView.h"

#include <QFile>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

using namespace quillan;
using namespace quillan::shell;
using test::ShellFixture;

class ShellStartupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { test::clearSettings(); }

    void aProjectOnTheCommandLineOpensWithoutTheStartDialog()
    {
        test::TempDir dir;
        const std::string path = test::makeProject(dir, "Plant", true);
        AppOptions options;
        options.project = path;
        ShellFixture f(options);
        f.frame.startUp();
        QVERIFY(f.frame.isVisible());
        QCOMPARE(f.app.document().path(), path);
        QVERIFY(f.app.document().root() != nullptr);
        QVERIFY(f.frame.startDialog() == nullptr);
        QVERIFY(f.frame.findChildren<StartDialog*>().isEmpty());
        QVERIFY(f.frame.windowTitle().startsWith("Plant.zavproj"));
    }

    void withoutAProjectTheStartDialogOffersNewAndOpen()
    {
        ShellFixture f;
        f.frame.startUp();
        QVERIFY(f.frame.isVisible());
        StartDialog* start = f.frame.startDialog();
        QVERIFY(start != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(start->isVisible(), 10000);
        QCOMPARE(start->newButton()->text(), QString("New Project..."));
        QCOMPARE(start->newButton()->toolTip(), QString("Create a New Project..."));
        QCOMPARE(start->openButton()->text(), QString("Open Project..."));
        QCOMPARE(start->openButton()->toolTip(), QString("Open an Existing Project..."));
        QVERIFY(!start->findChildren<QLabel*>().isEmpty());

        // Closing it leaves the empty document.
        start->reject();
        QTRY_VERIFY_WITH_TIMEOUT(f.frame.startDialog() == nullptr, 10000);
        QVERIFY(f.app.document().root() == nullptr);
        QVERIFY(f.prompts.questions.empty());
    }

    void theStartDialogAnswersTheKeyboard_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("outcome");
        QTest::newRow("Enter") << 0 << int(StartDialog::Outcome::newProject);
        QTest::newRow("Tab, Enter") << 1 << int(StartDialog::Outcome::openProject);
    }
    void theStartDialogAnswersTheKeyboard()
    {
        QFETCH(int, tabs);
        QFETCH(int, outcome);
        StartDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (int i = 0; i < tabs; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(int(dialog.outcome()), outcome);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // The mode chosen in an earlier session reaches the first gateway made in this one.
    void newGatewaysTakeTheStoredConfigPortMode()
    {
        MemorySettingsStore store;
        ProjectSettings(store).setDefaultConfigPortMode(1);
        TarnApp app(store, {});
        app.document().newProject(test::plantValues("/tmp/quillan-startup/"));
        const ZAVGateway* added = app.document().insertGateway();
        QVERIFY(added != nullptr);
        QCOMPARE(int(added->port(0)->protocol), int(protocolModbusSlave));
    }

    // A named file that cannot be read is reported, and the start dialog is offered instead.
    void aBadCommandLineFileFallsBackToTheStartDialog()
    {
        test::TempDir dir;
        AppOptions options;
        options.project = dir.file("Missing.zavproj");
        ShellFixture f(options);
        f.frame.startUp();
        QCOMPARE(f.prompts.messages.size(), size_t(1));
        QVERIFY(QString::fromStdString(f.prompts.messages[0].text)
                    .startsWith("Failed to open document."));
        QVERIFY(f.frame.startDialog() != nullptr);
        f.frame.startDialog()->reject();
    }

    // A damaged settings file is named once at start-up; the defaults stand, and changing a
    // setting leaves the file as it was.
    void aDamagedSettingsFileIsReportedAndLeftAlone()
    {
        const QString path = platform::QtSettingsStore::openProfile()->fileName();
        const QByteArray damaged = "\"configLogFile\"=\"/var/log/plant.log\n\"x\"=hex:0g\n";
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(damaged);
        }
        {
            ShellFixture f;
            f.frame.startUp();
            QCOMPARE(f.prompts.messages.size(), size_t(1));
            const QString text = QString::fromStdString(f.prompts.messages[0].text);
            QVERIFY2(text.startsWith(path + " cannot be read.\n\nQuillan runs with its default "
                                            "settings and leaves the file as it is"),
                     qPrintable(text));
            QCOMPARE(QString::fromStdString(f.app.settings().configLogFile()), QString("Debug.log"));
            f.app.settings().setConfigLogFile("Other.log");
            f.frame.startDialog()->reject();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), damaged);
    }

    // The lock-key panes learn the state from what is typed.
    void theLockKeyPanesLearnFromTyping_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("caps"); // -1 unknown, 0 off, 1 on
        QTest::addColumn<int>("num");
        QTest::newRow("nothing typed") << "" << -1 << -1;
        QTest::newRow("lower case") << "a" << 0 << -1;
        QTest::newRow("upper case without shift") << "A" << 1 << -1;
        QTest::newRow("shifted lower case") << "S" << 1 << -1; // S: shift + "s"
        QTest::newRow("caps lock after lower case") << "aL" << 1 << -1;
        QTest::newRow("caps lock before anything") << "L" << -1 << -1;
        QTest::newRow("keypad digit") << "7" << -1 << 1;
        QTest::newRow("keypad home") << "H" << -1 << 0;
        QTest::newRow("num lock after keypad digit") << "7N" << -1 << 0;
    }
    void theLockKeyPanesLearnFromTyping()
    {
        QFETCH(QString, keys);
        QFETCH(int, caps);
        QFETCH(int, num);
        ShellFixture f;
        f.frame.show();
        QWidget* target = &f.frame.tarnView();
        for (const QChar key : keys) {
            switch (key.unicode()) {
            case 'a':
                QTest::keyClick(target, 'a');
                break;
            case 'A':
                QTest::keyClick(target, 'A');
                break;
            case 'S':
                QTest::keyClick(target, 's', Qt::ShiftModifier);
                break;
            case 'L':
                QTest::keyClick(target, Qt::Key_CapsLock);
                break;
            case 'N':
                QTest::keyClick(target, Qt::Key_NumLock);
                break;
            case '7':
                QTest::keyClick(target, Qt::Key_7, Qt::KeypadModifier);
                break;
            case 'H':
                QTest::keyClick(target, Qt::Key_Home, Qt::KeypadModifier);
                break;
            default:
                QFAIL("unknown key in the table");
            }
        }
        const auto state = [](const std::optional<bool>& s) { return s ? int(*s) : -1; };
        QCOMPARE(state(f.frame.lockKeys().capsLock()), caps);
        QCOMPARE(state(f.frame.lockKeys().numLock()), num);
        QVERIFY(!f.frame.lockKeys().scrollLock().has_value());
    }
};

QTEST_MAIN(ShellStartupTest)
#include "ShellStartupTest.moc"
