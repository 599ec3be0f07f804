// The new project wizard: its pages and their rules as a user meets them, the confirmation
// text, and New from the main window through to the saved project file.

#include "ModalAnswers.h"
#include "ShellTestSupport.h"
#include "ViewTestSupport.h"
#include "controls/ClampSpinBox.h"
#include "controls/GatewayEdit.h"
#include "dialogs/WizEndPage.h"
#include "dialogs/WizGatewayPage1.h"
#include "dialogs/WizNewProjectSheet.h"
#include "dialogs/WizProjectPage.h"
#include "dialogs/WizSitePage.h"
#include "gateway/ZAVGateway.h"
#include "model/FileNode.h"
#include "model/SerialPortDefinition.h"
#include "model/Site.h"
#include "model/Text.h"
#include "settings/MemorySettingsStore.h"
#include "settings/ProjectSettings.h"
#include "ui/FocusNames.h"
#include "ui/KeyboardInput.h"
#include "views/TarnView.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QtTest>
#include <functional>
#include <memory>

using namespace quillan;
using namespace quillan::test;
using dialogs::WizNewProjectSheet;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Types any characters, beyond the ASCII that QTest::keyClicks knows keys for.
void typeCharacters(QWidget& field, const QString& text)
{
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, &field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Picks an entry of a closed list with the arrow keys, as a keyboard user does.
void pick(QComboBox& list, int index)
{
    list.setFocus(Qt::TabFocusReason);
    for (int at = list.currentIndex(); at < index; ++at) {
        QTest::keyClick(&list, Qt::Key_Down);
    }
    for (int at = list.currentIndex(); at > index; --at) {
        QTest::keyClick(&list, Qt::Key_Up);
    }
}

// Runs act on the next modal window of type T once it shows; other modal windows that are
// still on top (the wizard under a file dialog) are left alone.
template <typename T> void whenModalOf(std::function<void(T&)> act)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (window != nullptr && window->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(*window);
        }
    });
    timer->start();
}

// Picks a file in the next file dialog, typed into its name box as a user does.
void answerFileDialog(const QString& folder, const QString& name)
{
    whenModalOf<QFileDialog>([folder, name](QFileDialog& dialog) {
        dialog.setDirectory(folder);
        auto* nameBox = dialog.findChild<QLineEdit*>("fileNameEdit");
        if (nameBox != nullptr) {
            nameBox->setText(name);
        } else {
            dialog.selectFile(name);
        }
        static_cast<QDialog&>(dialog).accept();
    });
}

// The wizard alone, on settings in memory whose remembered folder is a fresh one.
struct SheetFixture {
    explicit SheetFixture(const QString& name = "Plant")
    {
        settings.setWizardDefaultLoc(dir.path().string());
        sheet = std::make_unique<WizNewProjectSheet>(settings);
        sheet->show();
        active = QTest::qWaitForWindowActive(sheet.get());
        if (!name.isEmpty()) {
            QTest::keyClicks(&sheet->projectPage().nameBox(), name);
        }
    }

    [[nodiscard]] QString folder() const { return QString::fromStdString(dir.path().string()); }
    [[nodiscard]] dialogs::WizSitePage& site() const { return sheet->sitePage(); }
    [[nodiscard]] dialogs::WizGatewayPage1& gateway() const { return *sheet->gatewayPage(); }

    TempDir dir;
    MemorySettingsStore store;
    ProjectSettings settings{store};
    std::unique_ptr<WizNewProjectSheet> sheet;
    bool active = false;
};

// "band=N", "channel=N", "group=N" on step 2; each typed number is left with Tab.
void fillSite(dialogs::WizSitePage& page, const QString& script)
{
    for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QString value = step.section(u'=', 1);
        if (step.startsWith("band=")) {
            pick(page.frequencyList(), value.toInt());
        } else if (step.startsWith("channel=")) {
            typeInto(page.channelBox(), value);
            QTest::keyClick(&page.channelBox(), Qt::Key_Tab);
        } else if (step.startsWith("group=")) {
            typeInto(page.groupBox(), value);
            QTest::keyClick(&page.groupBox(), Qt::Key_Tab);
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
}

// Goes from step 1 to the page named: "step 1", "step 2", "step 3" or "confirm" (from step 3).
void goTo(WizNewProjectSheet& sheet, const QString& page)
{
    const int nexts = page == "step 2" ? 1 : page == "step 1" ? 0 : 2;
    for (int i = 0; i < nexts; ++i) {
        sheet.nextButton().click();
    }
    if (page == "confirm") {
        sheet.finishButton().click();
    }
}

// Runs New from the main window; act drives the wizard once it shows and the wizard is
// cancelled after it unless act ended it.
void runNew(ShellFixture& f, const std::function<void(WizNewProjectSheet&)>& act)
{
    bool shown = false;
    whenModalOf<WizNewProjectSheet>([&shown, act](WizNewProjectSheet& sheet) {
        shown = true;
        if (QTest::qWaitForWindowActive(&sheet)) {
            act(sheet);
        }
        if (sheet.isVisible()) {
            sheet.reject();
        }
    });
    f.frame.routeCommand(shell::Command::newProject);
    QVERIFY(shown);
}

struct Reopened {
    NullNotificationSink sink;
    NullPrompts prompts;
    TarnDoc doc{sink, prompts};
};

std::unique_ptr<Reopened> reopen(const std::string& path)
{
    auto reopened = std::make_unique<Reopened>();
    if (!reopened->doc.openDocument(path)) {
        return nullptr;
    }
    reopened->doc.linkAfterLoad();
    return reopened;
}

} // namespace

class NewProjectWizardTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    // New from the main window with a gateway chosen in step 3, finished from where the
    // route ends: the project file holds the gateway only when step 3 was the last step shown.
    void confirmSavesTheProjectOfTheLastStepShown_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<bool>("withGateway");
        QTest::newRow("finished on step 2") << "2" << false;
        QTest::newRow("finished on step 3") << "2 3" << true;
        QTest::newRow("step 3, back to step 2, finished") << "2 3 2" << false;
    }
    void confirmSavesTheProjectOfTheLastStepShown()
    {
        QFETCH(QString, route);
        QFETCH(bool, withGateway);
        TempDir dir;
        ShellFixture f;
        f.app.settings().setWizardDefaultLoc(dir.path().string());
        QString summary;
        runNew(f, [&](WizNewProjectSheet& sheet) {
            QTest::keyClicks(&sheet.projectPage().nameBox(), "North");
            for (const QString& step : route.split(u' ')) {
                if (step == "2" && sheet.currentPage() == &sheet.projectPage()) {
                    sheet.nextButton().click();
                    fillSite(sheet.sitePage(), "band=2 channel=15 group=20");
                } else if (step == "3") {
                    sheet.nextButton().click();
                    dialogs::WizGatewayPage1& g = *sheet.gatewayPage();
                    typeInto(g.nameBox(), "Pump");
                    pick(g.txPowerList(), 1);
                    pick(g.rtuPortList(), 1);
                    typeInto(g.slaveIdBox(), "300");
                    pick(g.baudRateList(), 4);
                    pick(g.configPortModeList(), 1);
                } else if (step == "2") {
                    sheet.backButton().click();
                }
            }
            sheet.finishButton().click();
            QCOMPARE(sheet.finishButton().text(), QString("&Confirm"));
            summary = QString::fromStdString(sheet.endPage()->summary().text);
            sheet.finishButton().click();
        });
        QCOMPARE(summary.contains("\tPrimary Gateway\r\n"), withGateway);

        const std::string path = dir.file("North.zavproj");
        QCOMPARE(f.app.document().path(), path);
        QVERIFY(!f.app.document().isModified());
        QVERIFY(f.prompts.questions.empty());
        const auto saved = reopen(path);
        QVERIFY(saved != nullptr);
        const FileNode& root = *saved->doc.root();
        QCOMPARE(root.projectName(), std::string("North"));
        QCOMPARE(root.projectFolder(), dir.path().string() + "/");
        QCOMPARE(root.sites().size(), size_t(1));
        const Site& site = *root.sites()[0];
        QCOMPARE(site.getSiteName(), std::string("Site_1"));
        QCOMPARE(site.getBand(), uint16_t(band2400));
        QCOMPARE(site.getSiteChannel(), uint16_t(15));
        QCOMPARE(site.getFirstGroup(), uint16_t(20));
        QCOMPARE(saved->doc.nodes().size(), size_t(withGateway ? 2 : 1));
        if (!withGateway) {
            return;
        }
        const auto* gateway = dynamic_cast<const ZAVGateway*>(saved->doc.nodes()[1].get());
        QVERIFY(gateway != nullptr);
        QCOMPARE(gateway->getName(), std::string("Pump"));
        QCOMPARE(gateway->getId(), uint32_t(0));
        QCOMPARE(gateway->getChannel(), uint16_t(15));
        QCOMPARE(gateway->getGroupNumber(), uint16_t(20));
        QCOMPARE(gateway->getRadioFlags() & radioPowerMask, 1); // "16 mW" on 2.4 GHz
        QCOMPARE(gateway->port(0)->protocol, uint8_t(protocolModbusSlave));
        const SerialPortDefinition& rtu = *gateway->port(2);
        QCOMPARE(rtu.protocol, uint8_t(protocolModbusSlave));
        QCOMPARE(rtu.flags() & (portFlagRs485 | portFlagExtended),
                 portFlagRs485 | portFlagExtended); // slave id above 247
        QCOMPARE(rtu.baudRate, uint32_t(19200));
        QCOMPARE(rtu.slaveId(), uint16_t(300));
        // The new gateway is shown on its Modbus tab.
        QCOMPARE(f.frame.tarnView().currentIndex(), int(views::TarnView::modbusTab));
    }

    // Slave ids up to 247 are plain Modbus addresses; from 248 on the port needs extended
    // addressing.
    void extendedAddressingStartsAbove247_data()
    {
        QTest::addColumn<int>("slaveId");
        QTest::addColumn<bool>("extended");
        QTest::newRow("247") << 247 << false;
        QTest::newRow("248") << 248 << true;
    }
    void extendedAddressingStartsAbove247()
    {
        QFETCH(int, slaveId);
        QFETCH(bool, extended);
        SheetFixture s;
        goTo(*s.sheet, "step 3");
        typeInto(s.gateway().slaveIdBox(), QString::number(slaveId));
        s.sheet->finishButton().click();
        const NewProjectValues values = s.sheet->values();
        QVERIFY(values.gateway.has_value());
        NullNotificationSink sink;
        NullPrompts prompts;
        TarnDoc doc(sink, prompts);
        QVERIFY(doc.createProject(values));
        const auto* gateway = dynamic_cast<const ZAVGateway*>(doc.nodes().at(1).get());
        QCOMPARE((gateway->port(2)->flags() & portFlagExtended) != 0, extended);
        QCOMPARE(gateway->port(2)->slaveId(), uint16_t(slaveId));
    }

    // The group typed on step 2 and the radio address words (group in bits 6-15, node in bits
    // 0-5) of the primary gateway. Saved: the new site's next group is 1, so groups 0 and 1
    // both give group 1; from 2 on the gateway takes the chosen group. Shown: the window links
    // the new document as an opened one, applying the site (first group + gateway number - 1).
    void thePrimaryGatewayTakesTheSitesNextGroup_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("saved");
        QTest::addColumn<int>("shown");
        QTest::newRow("group 0") << 0 << 0x0040 << 0x0000;
        QTest::newRow("group 1") << 1 << 0x0040 << 0x0040;
        QTest::newRow("group 2") << 2 << 0x0080 << 0x0080;
    }
    void thePrimaryGatewayTakesTheSitesNextGroup()
    {
        QFETCH(int, group);
        QFETCH(int, saved);
        QFETCH(int, shown);
        TempDir dir;
        ShellFixture f;
        f.app.settings().setWizardDefaultLoc(dir.path().string());
        runNew(f, [&](WizNewProjectSheet& sheet) {
            QTest::keyClicks(&sheet.projectPage().nameBox(), "Grouped");
            sheet.nextButton().click();
            fillSite(sheet.sitePage(), QString("group=%1").arg(group));
            sheet.nextButton().click();
            sheet.finishButton().click();
            sheet.finishButton().click();
        });
        QCOMPARE(f.app.document().nodes().size(), size_t(2));
        QCOMPARE(int(f.app.document().nodes()[1]->getAddress()), shown);
        NullNotificationSink sink;
        NullPrompts prompts;
        TarnDoc file(sink, prompts);
        QVERIFY(file.openDocument(dir.file("Grouped.zavproj")));
        QCOMPARE(file.nodes().size(), size_t(2));
        QCOMPARE(int(file.nodes()[1]->getAddress()), saved);
        QCOMPARE(int(file.root()->activeSite()->getFirstGroup()), group);
    }

    void theConfirmationTextIsExactAndConfirmReplacesTheFile()
    {
        TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        const QString target = folder + "/Plant.zavproj";
        QVERIFY(writeFile(target, "not a project"));
        ShellFixture f;
        f.app.settings().setWizardDefaultLoc(dir.path().string());
        QByteArray text;
        QByteArray saved;
        runNew(f, [&](WizNewProjectSheet& sheet) {
            QTest::keyClicks(&sheet.projectPage().nameBox(), "Plant");
            sheet.nextButton().click();
            fillSite(sheet.sitePage(), "channel=3 group=7");
            sheet.nextButton().click();
            sheet.finishButton().click();
            QVERIFY(sheet.targetExists());
            dialogs::WizEndPage& end = *sheet.endPage();
            text = QByteArray::fromStdString(end.summary().text);

            const QByteArray warning = "Warning: An existing file will be overwritten.\r\n"
                                       "File: " +
                                       target.toUtf8();
            QCOMPARE(end.summary().warningLength, size_t(warning.size()));
            // The warning is bold red, the rest as any text.
            QTextCursor cursor(end.textBox().document());
            cursor.setPosition(1);
            QCOMPARE(cursor.charFormat().foreground().color(), QColor(255, 10, 20));
            QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
            cursor.movePosition(QTextCursor::End);
            QVERIFY(cursor.charFormat().foreground().color() != QColor(255, 10, 20));

            // Save Text: the default extension is added and the bytes are the text's.
            answerFileDialog(folder, "summary");
            end.saveTextButton().click();
            saved = fileBytes(folder + "/summary.txt");
            QVERIFY(sheet.isVisible());
            sheet.finishButton().click();
        });
        const QByteArray expected = "Warning: An existing file will be overwritten.\r\n"
                                    "File: " +
                                    target.toUtf8() +
                                    "\r\n\r\n"
                                    "Create...\r\n"
                                    "\tProject: Plant\r\n"
                                    "\tPath: " +
                                    folder.toUtf8() +
                                    "\r\n\r\n"
                                    "\tSite\r\n"
                                    "\t\tChannel: 3\r\n"
                                    "\t\tGroup: 7\r\n"
                                    "\t\tFrequency: 900 MHz\r\n\r\n"
                                    "\tPrimary Gateway\r\n"
                                    "\t\tName: Gateway\r\n"
                                    "\t\tType: ZAV Gateway Module\r\n"
                                    "\t\tTx Power: 100 mW\r\n"
                                    "\t\tRTU Connection: Modbus RTU - RS232\r\n"
                                    "\t\tBaud Rate: 9600\r\n"
                                    "\t\tSlave Id: 1\r\n"
                                    "\t\tConfig Port Mode: Debug\r\n\r\n";
        QCOMPARE(text, expected);
        QCOMPARE(saved, expected);
        // Confirmed without another question, over the old file.
        QVERIFY(f.prompts.questions.empty());
        const auto project = reopen(target.toStdString());
        QVERIFY(project != nullptr);
        QCOMPARE(project->doc.nodes().size(), size_t(2));
    }

    void withoutAnExistingFileThereIsNoWarning()
    {
        SheetFixture s("Fresh");
        s.sheet->finishButton().click();
        QVERIFY(!s.sheet->targetExists());
        QCOMPARE(s.sheet->endPage()->summary().warningLength, size_t(0));
        const QByteArray expected = "Create...\r\n"
                                    "\tProject: Fresh\r\n"
                                    "\tPath: " +
                                    s.folder().toUtf8() +
                                    "\r\n\r\n"
                                    "\tSite\r\n"
                                    "\t\tChannel: 0\r\n"
                                    "\t\tGroup: 0\r\n"
                                    "\t\tFrequency: 900 MHz\r\n\r\n";
        QCOMPARE(QByteArray::fromStdString(s.sheet->endPage()->summary().text), expected);
    }

    void aTextThatCannotBeSavedIsReportedAndTheWizardStays()
    {
        SheetFixture s;
        s.sheet->finishButton().click();
        const QString blocker = s.folder() + "/file";
        QVERIFY(writeFile(blocker, "x"));
        const auto seen = answerNextBox(QMessageBox::Ok);
        QVERIFY(!s.sheet->endPage()->saveTextTo(blocker + "/summary.txt"));
        QVERIFY(seen->shown);
        QCOMPARE(seen->title, QString("Error Saving File"));
        QCOMPARE(seen->text, QString("Could not save to the selected file.  Please try again."));
        QVERIFY(s.sheet->isVisible());
        QCOMPARE(s.sheet->currentPage(), s.sheet->endPage());
        QCOMPARE(fileBytes(blocker), QByteArray("x"));
    }

    void cancelLeavesAnEmptyDocument()
    {
        TempDir dir;
        const std::string path = makeProject(dir, "Plant", true);
        const QByteArray before = fileBytes(QString::fromStdString(path));
        ShellFixture f;
        QVERIFY(f.frame.openDocumentFile(QString::fromStdString(path)));
        runNew(f, [](WizNewProjectSheet& sheet) { sheet.cancelButton().click(); });
        QVERIFY(f.app.document().root() == nullptr);
        QVERIFY(f.app.document().nodes().empty());
        QCOMPARE(fileBytes(QString::fromStdString(path)), before);
    }

    // Step 3 joins with the first Next; Finish anywhere shows the one confirmation page, whose
    // Back returns to where Finish was pressed.
    void theButtonsFollowThePages()
    {
        SheetFixture s;
        WizNewProjectSheet& w = *s.sheet;
        QCOMPARE(w.windowTitle(), QString("New Project Wizard"));
        QVERIFY(w.gatewayPage() == nullptr);
        QVERIFY(!w.backButton().isEnabled());
        QVERIFY(w.nextButton().isEnabled() && w.finishButton().isEnabled());

        w.finishButton().click();
        dialogs::WizEndPage* end = w.endPage();
        QCOMPARE(w.currentPage(), end);
        QCOMPARE(end->headerTitle(), QString("Confirmation"));
        QCOMPARE(w.finishButton().text(), QString("&Confirm"));
        QVERIFY(w.backButton().isEnabled() && !w.nextButton().isEnabled());
        w.backButton().click();
        QCOMPARE(w.currentPage(), &w.projectPage());
        QCOMPARE(w.finishButton().text(), QString("&Finish"));
        QVERIFY(w.gatewayPage() == nullptr);

        w.nextButton().click();
        dialogs::WizGatewayPage1* gateway = w.gatewayPage();
        QVERIFY(gateway != nullptr);
        QCOMPARE(w.currentPage(), &w.sitePage());
        QCOMPARE(w.lastStepShown(), WizNewProjectSheet::stepSite);
        QVERIFY(w.backButton().isEnabled() && w.nextButton().isEnabled() &&
                w.finishButton().isEnabled());
        w.nextButton().click();
        QCOMPARE(w.currentPage(), gateway);
        QCOMPARE(w.lastStepShown(), WizNewProjectSheet::stepGateway);
        QCOMPARE(gateway->headerTitle(), QString("Step 3"));
        QVERIFY(w.backButton().isEnabled() && !w.nextButton().isEnabled() &&
                w.finishButton().isEnabled());
        w.finishButton().click();
        QCOMPARE(w.endPage(), end);
        w.backButton().click();
        QCOMPARE(w.currentPage(), gateway);
        w.backButton().click();
        w.backButton().click();
        w.nextButton().click();
        QCOMPARE(w.gatewayPage(), gateway);
    }

    void stepOneWaitsForANameAndAFolder()
    {
        MemorySettingsStore store;
        ProjectSettings settings(store);
        TempDir dir;
        WizNewProjectSheet sheet(settings);
        sheet.show();
        dialogs::WizProjectPage& page = sheet.projectPage();
        QVERIFY(page.folderBox().text().isEmpty());
        QVERIFY(page.folderBox().isReadOnly());
        QTest::keyClicks(&page.nameBox(), "Plant");
        QVERIFY(!sheet.nextButton().isEnabled() && !sheet.finishButton().isEnabled());

        const QString folder = QString::fromStdString(dir.path().string());
        whenModalOf<QFileDialog>([folder](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Project File Folder"));
            QCOMPARE(dialog.fileMode(), QFileDialog::Directory);
            dialog.setDirectory(folder);
            static_cast<QDialog&>(dialog).accept();
        });
        page.browseButton().click();
        QCOMPARE(page.folderBox().text(), folder);
        QCOMPARE(settings.wizardDefaultLoc(), dir.path().string());
        QVERIFY(sheet.nextButton().isEnabled() && sheet.finishButton().isEnabled());

        typeInto(page.nameBox(), "");
        QVERIFY(!sheet.nextButton().isEnabled() && !sheet.finishButton().isEnabled());
    }

    void theNameLosesABadLastCharacter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("name");
        for (const char* bad : {"\"", "*", "/", ":", "<", ">", "?", "\\", "|"}) {
            QTest::addRow("typed %s at the end", bad)
                << QString("Plant%1").arg(bad) << QString() << QString("Plant");
        }
        // Each typed character is the last one when it is typed.
        QTest::newRow("typed colon inside") << "Pl:ant" << QString() << "Plant";
        QTest::newRow("pasted colon inside") << ""
                                             << "Pl:ant"
                                             << "Pl:ant";
        QTest::newRow("pasted colon at the end") << "Plant"
                                                 << "A:"
                                                 << "PlantA";
        QTest::newRow("space and dot stay") << "North Plant.2" << QString() << "North Plant.2";
        // The project file keeps names in its 8-bit character set.
        QTest::newRow("character outside the file's set") << "Nord\u4e2d" << QString() << "Nord";
        QTest::newRow("accented letters stay") << "Zürich" << QString() << "Zürich";
    }
    void theNameLosesABadLastCharacter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, name);
        SheetFixture s("");
        QLineEdit& box = s.sheet->projectPage().nameBox();
        box.setFocus();
        typeCharacters(box, typed);
        if (!pasted.isEmpty()) {
            QApplication::clipboard()->setText(pasted);
            QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(box.text(), name);
        QCOMPARE(box.cursorPosition(), int(name.size()));
        s.sheet->finishButton().click();
        QCOMPARE(QString::fromStdString(cp1252ToUtf8(s.sheet->values().name)), name);
    }

    void theChannelKeepsToTheBand_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::newRow("900 MHz at first") << "" << 0 << 0 << 9;
        QTest::newRow("channel 5 then 2.4 GHz") << "channel=5 band=2" << 12 << 12 << 23;
        QTest::newRow("2.4 GHz then 900 MHz") << "channel=5 band=2 band=1" << 9 << 0 << 9;
        QTest::newRow("900 MHz to 868 MHz keeps 7") << "channel=7 band=0" << 7 << 0 << 9;
        QTest::newRow("typed 30 on 2.4 GHz") << "band=2 channel=30" << 23 << 12 << 23;
        QTest::newRow("typed 5 on 2.4 GHz") << "band=2 channel=5" << 12 << 12 << 23;
        QTest::newRow("typed 12 on 868 MHz") << "band=0 channel=12" << 9 << 0 << 9;
    }
    void theChannelKeepsToTheBand()
    {
        QFETCH(QString, script);
        QFETCH(int, channel);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        SheetFixture s;
        s.sheet->nextButton().click();
        fillSite(s.site(), script);
        QCOMPARE(s.site().channelBox().value(), channel);
        QCOMPARE(s.site().channelBox().minimum(), lowest);
        QCOMPARE(s.site().channelBox().maximum(), highest);
        QCOMPARE(s.sheet->values().channel, uint16_t(channel));
    }

    void typedNumbersAreClamped_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value");
        QTest::newRow("group 1000") << "group"
                                    << "1000" << 999;
        QTest::newRow("group 999") << "group"
                                   << "999" << 999;
        QTest::newRow("slave id 0") << "slave id"
                                    << "0" << 1;
        QTest::newRow("slave id 300") << "slave id"
                                      << "300" << 300;
        QTest::newRow("slave id 70000") << "slave id"
                                        << "70000" << 65535;
    }
    void typedNumbersAreClamped()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, value);
        SheetFixture s;
        s.sheet->nextButton().click();
        if (field == "group") {
            typeInto(s.site().groupBox(), typed);
            // Finish takes the number as typed so far.
            s.sheet->finishButton().click();
            QCOMPARE(int(s.sheet->values().group), value);
        } else {
            s.sheet->nextButton().click();
            typeInto(s.gateway().slaveIdBox(), typed);
            s.sheet->finishButton().click();
            QCOMPARE(int(s.sheet->values().gateway->slaveId), value);
        }
    }

    void txPowerFollowsTheBand_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<QStringList>("powers");
        QTest::addColumn<QString>("preselected");
        QTest::newRow("868 MHz") << int(band868)
                                 << QStringList{"2 mW", "5 mW", "10 mW", "16 mW", "25 mW"}
                                 << "25 mW";
        QTest::newRow("900 MHz") << int(band900)
                                 << QStringList{"1 mW", "10 mW", "100 mW", "500 mW", "1000 mW"}
                                 << "100 mW";
        QTest::newRow("2.4 GHz") << int(band2400)
                                 << QStringList{"10 mW", "16 mW", "25 mW", "40 mW", "63 mW"}
                                 << "63 mW";
    }
    void txPowerFollowsTheBand()
    {
        QFETCH(int, band);
        QFETCH(QStringList, powers);
        QFETCH(QString, preselected);
        SheetFixture s;
        s.sheet->nextButton().click();
        pick(s.site().frequencyList(), band);
        s.sheet->nextButton().click();
        QComboBox& list = s.gateway().txPowerList();
        QCOMPARE(entries(list), powers);
        QCOMPARE(list.currentText(), preselected);
        QCOMPARE(s.gateway().typeList().currentText(), QString("ZAV Gateway"));
        QVERIFY(!s.gateway().typeList().isEnabled());
    }

    // Back and Next on the same band keep the power picked; another band offers its own
    // powers and preselects again.
    void aPickedPowerStaysUntilTheBandChanges()
    {
        SheetFixture s;
        goTo(*s.sheet, "step 3");
        pick(s.gateway().txPowerList(), 0);
        s.sheet->finishButton().click();
        s.sheet->backButton().click();
        QCOMPARE(s.gateway().txPowerList().currentText(), QString("1 mW"));
        s.sheet->backButton().click();
        s.sheet->nextButton().click();
        QCOMPARE(s.gateway().txPowerList().currentText(), QString("1 mW"));
        s.sheet->backButton().click();
        pick(s.site().frequencyList(), band868);
        s.sheet->nextButton().click();
        QCOMPARE(s.gateway().txPowerList().currentText(), QString("25 mW"));
        s.sheet->finishButton().click();
        QCOMPARE(s.sheet->values().gateway->txPowerIndex, uint16_t(4));
    }

    void anEmptiedGatewayNameComesBackOnLeavingTheBox()
    {
        SheetFixture s;
        goTo(*s.sheet, "step 3");
        controls::GatewayEdit& box = s.gateway().nameBox();
        typeInto(box, "Pump");
        typeInto(box, "");
        QCOMPARE(box.text(), QString());
        QTest::keyClick(&box, Qt::Key_Tab);
        QCOMPARE(box.text(), QString("Pump"));
        // Refused by the name box: spaces and the shell's characters.
        typeInto(box, "Pump 2;x");
        QCOMPARE(box.text(), QString("Pump2x"));
        s.sheet->finishButton().click();
        QCOMPARE(s.sheet->values().gateway->name, std::string("Pump2x"));
    }

    void theConfigPortModeIsRememberedAtOnce()
    {
        SheetFixture s;
        s.settings.setDefaultConfigPortMode(1);
        {
            WizNewProjectSheet sheet(s.settings);
            sheet.show();
            QTest::keyClicks(&sheet.projectPage().nameBox(), "Plant");
            goTo(sheet, "step 3");
            QComboBox& mode = sheet.gatewayPage()->configPortModeList();
            QCOMPARE(entries(mode), (QStringList{"Debug", "Modbus Slave"}));
            QCOMPARE(mode.currentText(), QString("Modbus Slave"));
            pick(mode, 0);
            // Written the moment it changed, though the wizard is then cancelled.
            QCOMPARE(ProjectSettings(s.store).defaultConfigPortMode(), 0);
            sheet.reject();
        }
        QCOMPARE(s.settings.defaultConfigPortMode(), 0);
    }

    void tabGoesRoundEachPageInOrder_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("step 1") << "step 1"
                                << QStringList{"Project Name", "File Location", "Browse...",
                                               "Next >",       "Finish",        "Cancel",
                                               "Project Name"};
        QTest::newRow("step 2") << "step 2"
                                << QStringList{"Frequency", "Channel", "Group",  "< Back",
                                               "Next >",    "Finish",  "Cancel", "Frequency"};
        // Type is fixed and disabled: Tab passes it by.
        QTest::newRow("step 3") << "step 3"
                                << QStringList{"Gateway Name", "Tx Power",  "RTU Port",
                                               "Slave ID",     "Baud Rate", "Config Port Mode",
                                               "< Back",       "Finish",    "Cancel",
                                               "Gateway Name"};
        QTest::newRow("confirm") << "confirm" << QStringList{"QTextEdit", "Save Text", "< Back",
                                                             "Confirm",   "Cancel",    "QTextEdit"};
    }
    void tabGoesRoundEachPageInOrder()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, chain);
        SheetFixture s;
        QVERIFY(s.active);
        goTo(*s.sheet, page);
        QStringList seen{describe(QApplication::focusWidget())};
        while (seen.size() < chain.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << describe(QApplication::focusWidget());
        }
        QCOMPARE(seen, chain);
    }

    void enterGoesOnAndEscapeCancels_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("afterEnter");
        QTest::newRow("step 1") << "step 1"
                                << "Step 2";
        QTest::newRow("step 2") << "step 2"
                                << "Step 3";
        QTest::newRow("step 3") << "step 3"
                                << "Confirmation";
        QTest::newRow("confirm") << "confirm"
                                 << "accepted";
    }
    void enterGoesOnAndEscapeCancels()
    {
        QFETCH(QString, page);
        QFETCH(QString, afterEnter);
        {
            SheetFixture s;
            QVERIFY(s.active);
            goTo(*s.sheet, page);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            if (afterEnter == "accepted") {
                QVERIFY(!s.sheet->isVisible());
                QCOMPARE(s.sheet->result(), int(QDialog::Accepted));
            } else {
                QVERIFY(s.sheet->isVisible());
                QCOMPARE(s.sheet->currentPage()->headerTitle(), afterEnter);
            }
        }
        SheetFixture s;
        QVERIFY(s.active);
        goTo(*s.sheet, page);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!s.sheet->isVisible());
        QCOMPARE(s.sheet->result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(NewProjectWizardTest)
#include "NewProjectWizardTest.moc"
