#include "ShellTestSupport.h"
#include "ViewTestSupport.h"
#include "dialogs/UserOptionsDlg.h"
#include "model/FileNode.h"
#include "shell/CommandActions.h"
#include "shell/PortWatcher.h"
#include "views/TarnView.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

using namespace quillan;
using namespace quillan::shell;
using test::ShellFixture;

namespace {

QByteArray fileBytes(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { test::clearSettings(); }

    void hasTheFiveTabsAndBothPanes()
    {
        ShellFixture f;
        QCOMPARE(f.frame.tarnView().count(), 5);
        const QStringList titles{"Device", "Imports", "Exports", "Outputs", "Modbus"};
        for (int i = 0; i < titles.size(); ++i) {
            QCOMPARE(f.frame.tarnView().tabText(i), titles[i]);
        }
        QVERIFY(f.frame.actions().action(Command::exit)->isEnabled());
    }

    // What the frame's own commands allow for each kind of document: empty, a project without
    // a gateway, a saved project with one, the same project changed.
    void fileCommandsFollowTheDocument_data()
    {
        QTest::addColumn<int>("document");
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("saveAs");
        QTest::addColumn<bool>("exportCsv");
        QTest::newRow("empty") << 0 << false << false << false;
        QTest::newRow("no gateway") << 1 << false << true << false;
        QTest::newRow("saved with gateway") << 2 << false << true << true;
        QTest::newRow("modified") << 3 << true << true << true;
    }
    void fileCommandsFollowTheDocument()
    {
        QFETCH(int, document);
        QFETCH(bool, save);
        QFETCH(bool, saveAs);
        QFETCH(bool, exportCsv);
        test::TempDir dir;
        ShellFixture f;
        if (document > 0) {
            const std::string path = test::makeProject(dir, "Plant", document >= 2);
            QVERIFY(f.frame.openDocumentFile(QString::fromStdString(path)));
        }
        if (document == 3) {
            f.app.document().setModified();
        }
        f.frame.actions().refreshEnabled();
        const auto enabled = [&](Command c) { return f.frame.actions().action(c)->isEnabled(); };
        QCOMPARE(enabled(Command::save), save);
        QCOMPARE(enabled(Command::saveAs), saveAs);
        QCOMPARE(enabled(Command::exportCsv), exportCsv);
        for (Command always :
             {Command::newProject, Command::open, Command::exit, Command::about,
              Command::productSupport, Command::retrieveProjectFile, Command::options}) {
            QVERIFY(enabled(always));
        }
    }

    void optionsReopenTheLogAtTheChosenPath()
    {
        test::TempDir dir;
        ShellFixture f;
        const std::string chosen = dir.file("chosen.log");
        test::whenModal([&chosen](QWidget* modal) {
            auto* options = qobject_cast<dialogs::UserOptionsDlg*>(modal);
            QVERIFY(options != nullptr);
            options->logBox().setText(QString::fromStdString(chosen));
            QTest::keyClick(&options->logBox(), Qt::Key_Return);
        });
        f.frame.routeCommand(Command::options);
        QCOMPARE(f.app.settings().configLogFile(), chosen);
        f.app.logFile().writeLine("after the options");
        QVERIFY(fileBytes(chosen).contains("after the options"));
    }

    void viewCommandsShowAndHideTheirBarsWithCheckMarks_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("toolbar") << int(Command::viewToolbar);
        QTest::newRow("status bar") << int(Command::viewStatusBar);
        QTest::newRow("project explorer") << int(Command::viewProjectExplorer);
        QTest::newRow("output window") << int(Command::viewOutputWindow);
    }
    void viewCommandsShowAndHideTheirBarsWithCheckMarks()
    {
        QFETCH(int, command);
        ShellFixture f;
        f.frame.show();
        QWidget* bars[] = {&f.frame.standardToolBar(), f.frame.statusBar(), &f.frame.projectDock(),
                           &f.frame.outputDock()};
        QWidget* bar = bars[command - int(Command::viewToolbar)];
        QAction* action = f.frame.actions().action(Command(command));
        f.frame.actions().refreshEnabled();
        QVERIFY(action->isChecked());
        QVERIFY(bar->isVisible());

        action->trigger();
        f.frame.actions().refreshEnabled();
        QVERIFY(!bar->isVisible());
        QVERIFY(!action->isChecked());

        action->trigger();
        f.frame.actions().refreshEnabled();
        QVERIFY(bar->isVisible());
        QVERIFY(action->isChecked());
    }

    void retrieveButtonDropsDownItsOneEntryMenu()
    {
        ShellFixture f;
        auto* button =
            f.frame.standardToolBar().findChild<QToolButton*>("RetrieveProjectFileButton");
        QVERIFY(button != nullptr);
        QCOMPARE(button->popupMode(), QToolButton::InstantPopup);
        QVERIFY(button->menu() != nullptr);
        QCOMPARE(button->menu()->actions().size(), 1);
        QCOMPARE(button->menu()->actions().front(),
                 f.frame.actions().action(Command::retrieveProjectFile));
        QCOMPARE(button->menu()->actions().front()->text(), QString("From ZAV Gateway"));
    }

    // Started with --port sim, the status bar says so until the end, beside the lock keys.
    void theStatusBarShowsTheGatewayPort()
    {
        AppOptions options;
        options.port = "sim";
        ShellFixture f(options);
        auto* pane = f.frame.statusBar()->findChild<QLabel*>("GatewayIndicator");
        QVERIFY(pane != nullptr);
        QCOMPARE(pane->text(), QString("No ZAV Gateway"));
        f.frame.portWatcher().start();
        QCOMPARE(pane->text(), QString("ZAV Gateway on sim (simulated)"));
        QCOMPARE(pane->accessibleName(), QString("Attached gateway"));
        f.frame.statusBar()->resize(800, 24);
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        QLabel* caps = nullptr;
        for (QLabel* label : f.frame.statusBar()->findChildren<QLabel*>()) {
            if (label->text() == "CAP") {
                caps = label;
            }
        }
        QVERIFY(caps != nullptr);
        QVERIFY(pane->geometry().right() < caps->geometry().left());
        f.frame.portWatcher().stop();
    }

    void closeIsRefusedWhileAConnectionIsOpen()
    {
        ShellFixture f;
        f.frame.show();
        f.app.setConnectionOpen(true);
        QVERIFY(!f.frame.close());
        QVERIFY(f.frame.isVisible());
        QCOMPARE(f.prompts.messages.size(), size_t(1));
        QCOMPARE(f.prompts.messages[0].caption, std::string("Close Connection"));
        QCOMPARE(f.prompts.messages[0].text,
                 std::string("Please close your current device connection before exiting."));
        QVERIFY(f.prompts.messages[0].icon == MessageIcon::error);

        f.app.setConnectionOpen(false);
        QVERIFY(f.frame.close());
    }

    // A modified project asks "Save changes to ...?": Cancel keeps the window, No closes and
    // leaves the file, Yes saves it first.
    void closingAModifiedProjectAsksToSave_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("cancel") << int(MessageAnswer::cancel) << false << false;
        QTest::newRow("no") << int(MessageAnswer::no) << true << false;
        QTest::newRow("yes") << int(MessageAnswer::yes) << true << true;
    }
    void closingAModifiedProjectAsksToSave()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        test::TempDir dir;
        const std::string path = test::makeProject(dir, "Plant", true);
        ShellFixture f;
        f.frame.show();
        QVERIFY(f.frame.openDocumentFile(QString::fromStdString(path)));
        const QByteArray before = fileBytes(path);
        QVERIFY(f.app.document().insertGateway() != nullptr);
        QVERIFY(f.app.document().isModified());
        f.prompts.answers.push_back(MessageAnswer(answer));

        QCOMPARE(f.frame.close(), closes);
        QCOMPARE(f.prompts.questions.size(), size_t(1));
        QCOMPARE(f.prompts.questions[0].text, std::string("Save changes to Plant.zavproj?"));
        QCOMPARE(fileBytes(path) != before, saved);
        QCOMPARE(f.app.document().isModified(), !saved);
    }

    void saveIsOfferedOnlyForAModifiedDocument()
    {
        test::TempDir dir;
        const std::string path = test::makeProject(dir, "Plant", true);
        ShellFixture f;
        QVERIFY(f.frame.openDocumentFile(QString::fromStdString(path)));
        QAction* save = f.frame.actions().action(Command::save);
        f.frame.actions().refreshEnabled();
        QVERIFY(!save->isEnabled());
        f.app.document().setModified();
        f.frame.actions().refreshEnabled();
        QVERIFY(save->isEnabled());
        save->trigger();
        QVERIFY(!f.app.document().isModified());
        f.frame.actions().refreshEnabled();
        QVERIFY(!save->isEnabled());
        QVERIFY(f.frame.windowTitle().startsWith("Plant.zavproj"));
    }

    // A file that is not a project is reported and costs the open project nothing; the
    // modified project is not even asked about.
    void aBadFileLeavesTheOpenProjectAlone_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("message");
        QTest::newRow("truncated") << QByteArray("\x05\x00\x00", 3) << "Unexpected file format.";
        QTest::newRow("missing") << QByteArray() << "Failed to open document.";
    }
    void aBadFileLeavesTheOpenProjectAlone()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        test::TempDir dir;
        const std::string good = test::makeProject(dir, "Plant", true);
        const std::string bad = dir.file("Bad.zavproj");
        if (!contents.isEmpty()) {
            QFile file(QString::fromStdString(bad));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        ShellFixture f;
        QVERIFY(f.frame.openDocumentFile(QString::fromStdString(good)));
        f.app.document().setModified();
        const FileNode* root = f.app.document().root();

        QVERIFY(!f.frame.openDocumentFile(QString::fromStdString(bad)));
        QCOMPARE(f.prompts.messages.size(), size_t(1));
        QVERIFY(QString::fromStdString(f.prompts.messages[0].text).startsWith(message));
        QVERIFY(f.prompts.questions.empty());
        QCOMPARE(f.app.document().root(), root);
        QCOMPARE(f.app.document().path(), good);
        QVERIFY(f.app.document().isModified());
        QVERIFY(!f.frame.recentFiles().files().contains(QString::fromStdString(bad)));
    }

    void aFailedSaveIsReportedAndKeepsTheChanges()
    {
        test::TempDir dir;
        const std::string path = test::makeProject(dir, "Plant", true);
        ShellFixture f;
        QVERIFY(f.frame.openDocumentFile(QString::fromStdString(path)));
        f.app.document().setModified();
        const QString nowhere = QString::fromStdString(dir.file("missing/Plant.zavproj"));

        QVERIFY(!f.frame.saveDocumentAs(nowhere));
        QCOMPARE(f.prompts.messages.size(), size_t(1));
        QVERIFY(QString::fromStdString(f.prompts.messages[0].text)
                    .startsWith("Failed to save document."));
        QVERIFY(f.app.document().isModified());
        QCOMPARE(f.app.document().path(), path);
    }

    void newMakesTheWizardsDefaultProjectAndSavesIt()
    {
        test::TempDir dir;
        ShellFixture f;
        NewProjectValues values;
        values.name = "North";
        values.folder = dir.path().string();
        values.gateway = NewGatewayValues{};
        QVERIFY(f.frame.createDocument(values));

        const TarnDoc& doc = f.app.document();
        QCOMPARE(doc.path(), dir.file("North.zavproj"));
        QVERIFY(QFile::exists(QString::fromStdString(dir.file("North.zavproj"))));
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.root()->projectName(), std::string("North"));
        QCOMPARE(doc.nodes().size(), size_t(2));
        QCOMPARE(doc.nodes()[1]->getName(), std::string("Gateway"));
        QCOMPARE(f.app.settings().wizardDefaultLoc(), dir.path().string());
        QCOMPARE(f.frame.recentFiles().files().value(0),
                 QString::fromStdString(dir.file("North.zavproj")));

        // Over an existing project only when the user says so.
        const QByteArray before = fileBytes(dir.file("North.zavproj"));
        f.prompts.answers.push_back(MessageAnswer::no);
        values.band = band2400;
        QVERIFY(!f.frame.createDocument(values));
        QCOMPARE(f.prompts.questions.size(), size_t(1));
        QVERIFY(f.prompts.questions[0].buttons == MessageButtons::yesNoDefaultNo);
        QCOMPARE(fileBytes(dir.file("North.zavproj")), before);
    }

    void theRecentFilesAreTheLastFourOpenedNewestFirst()
    {
        test::TempDir dir;
        std::vector<QString> paths;
        for (const char* name : {"A", "B", "C", "D", "E"}) {
            paths.push_back(QString::fromStdString(test::makeProject(dir, name, true)));
        }
        {
            ShellFixture f;
            for (const QString& path : paths) {
                QVERIFY(f.frame.openDocumentFile(path));
            }
            QVERIFY(f.frame.openDocumentFile(paths[2]));
            QCOMPARE(f.frame.recentFiles().files(),
                     (QStringList{paths[2], paths[4], paths[3], paths[1]}));
        }
        // Another start finds them in the File menu.
        platform::QtSettingsStore store;
        TarnApp app(store, {});
        MainFrame frame(app);
        QMenu* file = nullptr;
        for (QMenu* menu : frame.menuBar()->findChildren<QMenu*>()) {
            if (menu->title() == "&File") {
                file = menu;
            }
        }
        QVERIFY(file != nullptr);
        Q_EMIT file->aboutToShow();
        QStringList shown;
        for (QAction* action : file->actions()) {
            if (action->text().startsWith('&') && action->text().at(1).isDigit()) {
                shown << action->text();
            }
        }
        QCOMPARE(shown.size(), 4);
        QVERIFY(shown[0].startsWith("&1 ") && shown[0].endsWith("C.zavproj"));
        QVERIFY(shown[3].startsWith("&4 ") && shown[3].endsWith("B.zavproj"));
    }

    void aProjectDroppedOnTheWindowIsOpened()
    {
        test::TempDir dir;
        const std::string path = test::makeProject(dir, "Dropped", true);
        ShellFixture f;
        f.frame.show();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&f.frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&f.frame, &drop);
        QTRY_COMPARE_WITH_TIMEOUT(f.app.document().path(), path, 10000);
    }

    void theTabStripOffersTheEditPopup()
    {
        ShellFixture f;
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        QTabBar* tabs = f.frame.tarnView().tabBar();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                tabs->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(tabs, &event);
        QMenu* popup = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())),
                                 10000);
        QCOMPARE(popup->title(), QString("Edit"));
        QCOMPARE(popup->actions(),
                 (QList<QAction*>{f.frame.actions().action(Command::removeSharedPoint),
                                  f.frame.actions().action(Command::copy),
                                  f.frame.actions().action(Command::paste)}));
        popup->close();
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
