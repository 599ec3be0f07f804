// Names in the project's 8-bit character set (Windows-1252), one table of them through every
// box that takes a name, the project file, quillan-cli, and every view that shows one; and
// the characters the set cannot hold, refused with the reason wherever a name is given.

#include "ModalAnswers.h"
#include "ShellTestSupport.h"
#include "ViewTestSupport.h"
#include "controls/GatewayEdit.h"
#include "dialogs/NewSiteDlg.h"
#include "dialogs/OutputNameDlg.h"
#include "dialogs/WizGatewayPage1.h"
#include "dialogs/WizNewProjectSheet.h"
#include "dialogs/WizProjectPage.h"
#include "dialogs/WriteImportDlg.h"
#include "gateway/ConfigImage.h"
#include "gateway/ZAVGateway.h"
#include "gateway/dump/ConfigDump.h"
#include "gateway/ui/MBInputPage.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/FileNode.h"
#include "model/MBModule.h"
#include "model/SerialPortDefinition.h"
#include "views/CsvExportCommand.h"
#include "views/OutputLineModel.h"
#include "views/OutputWnd.h"
#include "views/ProjectPane.h"
#include "views/ProjectTreeModel.h"
#include "views/TarnView.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>
#include <filesystem>
#include <fstream>

using namespace quillan;
using namespace quillan::test;
using dialogs::WizNewProjectSheet;
using shell::Command;

namespace {

// Types each character as a key that produces it, as an input method does.
void typeCharacters(QWidget& field, const QString& text)
{
    for (const char32_t c : text.toUcs4()) {
        QTest::sendKeyEvent(QTest::Click, &field, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                            Qt::NoModifier);
    }
}

void replaceText(QLineEdit& box, const QString& text)
{
    box.setFocus();
    box.selectAll();
    QTest::keyClick(&box, Qt::Key_Backspace);
    typeCharacters(box, text);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A short string as the project file holds it: its length byte, then its bytes.
QByteArray archived(const QByteArray& bytes)
{
    return QByteArray(1, char(bytes.size())) + bytes;
}

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

CliRun cli(const QStringList& args, const QString& folder = {})
{
    QProcess process;
    if (!folder.isEmpty()) {
        process.setWorkingDirectory(folder);
    }
    process.start(QStringLiteral(QUILLAN_CLI), args);
    CliRun run;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit) {
        run.status = process.exitCode();
    }
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Every cell of a list, as shown.
QStringList cells(const QAbstractItemModel& model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int c = 0; c < model.columnCount(); ++c) {
            texts << model.index(row, c).data().toString().trimmed();
        }
    }
    return texts;
}

// The texts of an output tab, without their time stamps ("hh:mm:ss.zzz- ").
QStringList lines(const views::OutputLineModel& model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts << model.index(row, 0).data().toString().mid(14);
    }
    return texts;
}

// Runs New from the main window; act drives the wizard, which is cancelled if act leaves it.
void runNew(ShellFixture& f, const std::function<void(WizNewProjectSheet&)>& act)
{
    answerNextDialog<WizNewProjectSheet>([act](WizNewProjectSheet& sheet) {
        if (QTest::qWaitForWindowActive(&sheet)) {
            act(sheet);
        }
        if (sheet.isVisible()) {
            sheet.reject();
        }
    });
    f.frame.routeCommand(Command::newProject);
}

views::ProjectTreeModel& treeModel(ShellFixture& f)
{
    return *static_cast<views::ProjectTreeModel*>(f.frame.projectPane().tree()->model());
}

void select(ShellFixture& f, const Node* node)
{
    f.frame.projectPane().tree()->setCurrentIndex(treeModel(f).indexOf(node));
}

// The names of one row of the table: each kind of name gets its own prefix, so that a view
// showing the wrong one is caught.
struct Names {
    QString typed;
    QString project() const { return typed; }
    QString site() const { return "Site-" + typed; }
    QString gateway() const { return "GW-" + typed; }
    QString module() const { return "Mod-" + typed; }
    QString input() const { return "In-" + typed; }
    QString writeImport() const { return "WI-" + typed; }
    QString renamedByCli() const { return "CLI-" + typed; }
};

} // namespace

class EightBitNamesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    // The typed name and its Windows-1252 bytes, worked out from the code page's table.
    void everyNameIsKeptAsItsCodesAndShownAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("codes");
        // Octal where a digit or a letter follows: \374 = 0xFC, \260 = 0xB0.
        QTest::newRow("u umlaut") << QString::fromUtf8("S\u00fcd") << QByteArray("S\374d");
        QTest::newRow("a circumflex")
            << QString::fromUtf8("B\u00e2timent-2") << QByteArray("B\xE2timent-2");
        QTest::newRow("degree sign") << QString::fromUtf8("Zone\u00b03") << QByteArray("Zone\2603");
        QTest::newRow("the code page's own 0x80-0x9F")
            << QString::fromUtf8("\u0152uvre\u2013\u20ac") << QByteArray("\x8Cuvre\x96\x80");
        QTest::newRow("y diaeresis, the last code")
            << QString::fromUtf8("\u00ff") << QByteArray("\xFF");
    }
    void everyNameIsKeptAsItsCodesAndShownAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, codes);
        const Names n{typed};
        TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        ShellFixture f;
        f.app.settings().setWizardDefaultLoc(dir.path().string());

        // Typed: the wizard's project and gateway names.
        runNew(f, [&](WizNewProjectSheet& sheet) {
            typeCharacters(sheet.projectPage().nameBox(), n.project());
            sheet.nextButton().click();
            sheet.nextButton().click();
            replaceText(sheet.gatewayPage()->nameBox(), n.gateway());
            sheet.finishButton().click();
            sheet.finishButton().click();
        });
        const QString path = folder + "/" + n.project() + ".zavproj";
        QCOMPARE(QString::fromStdString(f.app.document().path()), path);
        TarnDoc& doc = f.app.document();
        auto* gateway = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
        QVERIFY(gateway != nullptr);

        // The site dialog, opened by Edit on the project root.
        select(f, doc.root());
        answerNextDialog<dialogs::NewSiteDlg>([&n](dialogs::NewSiteDlg& dialog) {
            replaceText(dialog.nameBox(), n.site());
            QTest::keyClick(&dialog.nameBox(), Qt::Key_Return);
        });
        QVERIFY(f.frame.projectPane().runCommand(Command::nodeEdit));

        // The tree's in-place rename of a Modbus module.
        gateway->port(2)->protocol = protocolModbusMaster;
        ModbusModuleSettings settings = MBModule::newModuleSettings(*gateway);
        settings.registerCount = 1;
        settings.inputNames = {"Point_1"};
        QVERIFY(doc.insertModbusModule(*gateway, std::move(settings)));
        auto* module = dynamic_cast<MBModule*>(gateway->childModules().back().get());
        f.frame.projectPane().rebuild();
        select(f, module);
        QVERIFY(f.frame.projectPane().runCommand(Command::nodeRename));
        auto* editor = f.frame.projectPane().tree()->findChild<QLineEdit*>("nodeNameEditor");
        QVERIFY(editor != nullptr);
        replaceText(*editor, n.module());
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!treeModel(f).isRenaming());

        // A point name in the module's sheet, and a write import from the Modbus tab.
        answerNextDialog<gateway::ui::NodePropertySheet>([&n](gateway::ui::NodePropertySheet& s) {
            for (int i = 0; i < s.pageCount(); ++i) {
                if (auto* inputs = qobject_cast<gateway::ui::MBInputPage*>(s.page(i))) {
                    s.setCurrentPage(i);
                    answerNextDialog<dialogs::OutputNameDlg>([&n](dialogs::OutputNameDlg& d) {
                        replaceText(d.nameBox(), n.input());
                        d.okButton().click();
                    });
                    auto& list = inputs->list();
                    const QPoint at = list.visualRect(list.rows().index(0, 1)).center();
                    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, at);
                }
            }
            s.okButton().click();
        });
        QVERIFY(f.frame.projectPane().runCommand(Command::nodeEdit));
        answerNextDialog<dialogs::WriteImportDlg>([&n](dialogs::WriteImportDlg& dialog) {
            replaceText(dialog.nameBox(), n.writeImport());
            dialog.okButton().click();
        });
        f.frame.projectPane().openNode(gateway);
        QVERIFY(f.frame.tarnView().runCommand(Command::mapNewWriteImport));
        QVERIFY(f.frame.saveDocument());

        // The file holds each name as its codes.
        const QByteArray saved = fileBytes(path);
        for (const QByteArray& name : {codes, "Site-" + codes, "GW-" + codes, "Mod-" + codes,
                                       "In-" + codes, "WI-" + codes}) {
            QVERIFY2(saved.contains(archived(name)), name.toHex().constData());
        }
        QVERIFY(!saved.contains(n.project().toUtf8()));

        // quillan-cli: a rename it is given, the lists it prints, a compiled image and its dump.
        const QString added = cli({"edit", path, "add-gateway"}).out.trimmed().section(' ', 1);
        QCOMPARE(cli({"edit", path, "rename", added, n.renamedByCli()}).status, 0);
        QVERIFY(fileBytes(path).contains(archived("CLI-" + codes)));
        const QStringList rootRows = cli({"show", path}).out.split('\n');
        QVERIFY(rootRows.contains("Project\t" + n.project()));
        QVERIFY(
            rootRows
                .filter(QRegularExpression("^" + QRegularExpression::escape(n.site()) + "\tCH 0 "))
                .size() == 1);
        const CliRun imports = cli({"show", path, "--gateway", n.gateway(), "--list", "imports"});
        QCOMPARE(imports.status, 0);
        QVERIFY2(
            imports.out.contains("\t" + n.gateway() + "\t" + n.module() + ":" + n.input() + "\t"),
            qPrintable(imports.out));
        QVERIFY(imports.out.contains("\t" + n.gateway() + "\tBase:" + n.writeImport() + "\t"));
        QVERIFY2(cli({"show", path, "--gateway", n.gateway(), "--list", "modbus"})
                     .out.contains("\t" + n.writeImport() + "\t"),
                 "the write import in the Modbus list");
        const QString image = folder + "/gateway.img";
        QCOMPARE(cli({"compile", path, "--gateway", n.gateway(), "--out", image}).status, 0);
        const QString dumpFolder = folder + "/" + n.typed;
        QVERIFY(QDir().mkpath(dumpFolder));
        const CliRun dumped = cli({"dump", image, "--file"}, dumpFolder);
        QCOMPARE(dumped.status, 0);
        QVERIFY2(dumped.out.contains("Dump.txt was created at location '" + dumpFolder + "'."),
                 qPrintable(dumped.out));
        const CliRun made =
            cli({"new", "--name", "New-" + n.typed, "--folder", folder, "--gateway", n.gateway()});
        QCOMPARE(made.status, 0);
        QVERIFY(made.out.contains("\n  " + n.gateway() + "\n"));
        const QByteArray cliFile = fileBytes(folder + "/New-" + n.typed + ".zavproj");
        QVERIFY(cliFile.contains(archived("New-" + codes)));
        QVERIFY(cliFile.contains(archived("GW-" + codes)));

        // Reopened: the tree, the lists, the CSV export and the dump's line show the names.
        QVERIFY(f.frame.openDocumentFile(path));
        gateway = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
        module = dynamic_cast<MBModule*>(gateway->childModules().back().get());
        views::ProjectTreeModel& tree = treeModel(f);
        QCOMPARE(tree.indexOf(doc.root()).data().toString(), n.project() + " - [" + n.site() + "]");
        QCOMPARE(tree.indexOf(gateway).data().toString(), n.gateway());
        QCOMPARE(tree.indexOf(module).data().toString(), n.module());
        QCOMPARE(tree.indexOf(doc.nodes().at(2).get()).data().toString(), n.renamedByCli());
        f.frame.projectPane().openNode(doc.root());
        const QStringList rootCells =
            cells(f.frame.tarnView().list(views::TarnView::deviceTab).rows());
        QVERIFY(rootCells.contains(n.project()));
        QVERIFY(rootCells.contains(n.site()));
        f.frame.projectPane().openNode(gateway);
        views::TarnView& view = f.frame.tarnView();
        QVERIFY(cells(view.list(views::TarnView::deviceTab).rows()).contains(n.gateway()));
        const QStringList importCells = cells(view.list(views::TarnView::importsTab).rows());
        QVERIFY(importCells.contains(n.gateway()));
        QVERIFY(importCells.contains(n.module() + ":" + n.input()));
        QVERIFY(importCells.contains("Base:" + n.writeImport()));

        views::exportCsv(f.app, &f.frame);
        const QByteArray csv = fileBytes(folder + "/" + n.project() + ".csv");
        QVERIFY(csv.startsWith("GW-" + codes + "\r\n"));
        QVERIFY(csv.contains("\r\nCLI-" + codes + "\r\n"));
        QVERIFY(csv.contains(", GW-" + codes + ", Mod-" + codes + ":In-" + codes + ", "));
        QVERIFY(csv.contains(", GW-" + codes + ", Base:WI-" + codes + ", "));
        QVERIFY(!csv.contains(n.typed.toUtf8()));
        const QStringList build = lines(f.frame.outputWnd().lines(views::OutputWnd::build));
        QVERIFY2(build.contains(n.project() + ".csv was created at location '" + folder + "/'."),
                 qPrintable(build.join('\n')));

        const QByteArray imageBytes = fileBytes(image);
        const auto compiled = ConfigImage::fromBytes(std::vector<uint8_t>(
            reinterpret_cast<const uint8_t*>(imageBytes.constData()),
            reinterpret_cast<const uint8_t*>(imageBytes.constData()) + imageBytes.size()));
        QVERIFY(compiled.has_value());
        QVERIFY(writeDump(*compiled, 12, std::filesystem::path(dumpFolder.toStdString()),
                          f.app.notifications()));
        QTRY_COMPARE(lines(f.frame.outputWnd().lines(views::OutputWnd::debug)).last(),
                     "Dump.txt was created at location '" + dumpFolder + "'.");
    }

    // A character Windows-1252 has no code for, typed or pasted into any box that takes a
    // name, is refused with the reason beside the box; quillan-cli refuses it with the same
    // reason and leaves the file alone.
    void charactersOutsideTheCodePageAreRefusedWithTheReason_data()
    {
        QTest::addColumn<QString>("character");
        QTest::addColumn<QString>("reason");
        const QString tail = " cannot be stored: project files hold only Windows-1252 characters";
        QTest::newRow("Greek capital omega")
            << QString::fromUtf8("\u03a9") << QString::fromUtf8("'\u03a9' (U+03A9)") + tail;
        QTest::newRow("check mark")
            << QString::fromUtf8("\u2713") << QString::fromUtf8("'\u2713' (U+2713)") + tail;
        QTest::newRow("emoji, two UTF-16 units")
            << QString::fromUtf8("\U0001F600")
            << QString::fromUtf8("'\U0001F600' (U+1F600)") + tail;
    }
    void charactersOutsideTheCodePageAreRefusedWithTheReason()
    {
        QFETCH(QString, character);
        QFETCH(QString, reason);
        TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        ShellFixture f;
        f.app.settings().setWizardDefaultLoc(dir.path().string());

        // Typed after "Ab", and pasted as part of a longer text: the box keeps "Ab".
        const auto refusedIn = [&](QLineEdit& box, const QString& what) {
            replaceText(box, "Ab");
            typeCharacters(box, character);
            QVERIFY2(box.text() == "Ab", qPrintable(what));
            QTRY_COMPARE(QToolTip::text(), reason + ".");
            QToolTip::hideText();
            QGuiApplication::clipboard()->setText("x" + character + "y");
            box.paste();
            QVERIFY2(box.text() == "Ab", qPrintable(what + ": paste"));
            QTRY_COMPARE(QToolTip::text(), reason + ".");
            QToolTip::hideText();
        };
        runNew(f, [&](WizNewProjectSheet& sheet) {
            refusedIn(sheet.projectPage().nameBox(), "project name");
            sheet.nextButton().click();
            sheet.nextButton().click();
            refusedIn(sheet.gatewayPage()->nameBox(), "wizard's gateway name");
            sheet.finishButton().click();
            sheet.finishButton().click();
        });
        const QString path = folder + "/Ab.zavproj";
        QVERIFY(QFile::exists(path));
        TarnDoc& doc = f.app.document();
        auto* gateway = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
        QCOMPARE(gateway->getName(), std::string("Ab"));

        dialogs::NewSiteDlg site(*doc.root()->activeSite(), true);
        site.show();
        refusedIn(site.nameBox(), "site name");
        dialogs::OutputNameDlg point("Flow");
        point.show();
        refusedIn(point.nameBox(), "point name");
        dialogs::WriteImportDlg writeImport(f.app.settings());
        writeImport.show();
        refusedIn(writeImport.nameBox(), "write import name");
        select(f, gateway);
        QVERIFY(f.frame.projectPane().runCommand(Command::nodeRename));
        auto* editor = f.frame.projectPane().tree()->findChild<QLineEdit*>("nodeNameEditor");
        QVERIFY(editor != nullptr);
        refusedIn(*editor, "tree rename");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!treeModel(f).isRenaming());
        QCOMPARE(gateway->getName(), std::string("Ab"));

        const QByteArray before = fileBytes(path);
        const CliRun renamed = cli({"edit", path, "rename", "Ab", "G" + character});
        QCOMPARE(renamed.status, 1);
        QCOMPARE(renamed.err, "quillan-cli: refused: " + reason + "\n");
        const CliRun writeImportRun =
            cli({"edit", path, "add-write-import", "Ab", "W" + character, "--type", "int"});
        QCOMPARE(writeImportRun.status, 1);
        QVERIFY(writeImportRun.err.contains(reason));
        QCOMPARE(fileBytes(path), before);
        for (const QStringList& args :
             {QStringList{"new", "--name", "P" + character, "--folder", folder},
              QStringList{"new", "--name", "P", "--folder", folder, "--gateway", "G" + character},
              QStringList{"edit", path, "add-modbus-module", "Ab", "--slave-id", "5",
                          "--first-register", "1", "--count", "1", "--format", "int16", "--names",
                          "N" + character}}) {
            const CliRun run = cli(args);
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.contains(reason), qPrintable(run.err));
        }
        QVERIFY(!QFile::exists(folder + "/P.zavproj"));
        QCOMPARE(fileBytes(path), before);
    }
};

QTEST_MAIN(EightBitNamesTest)
#include "EightBitNamesTest.moc"
