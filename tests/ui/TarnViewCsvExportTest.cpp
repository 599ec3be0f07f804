// "Export to .CSV...": the file beside the project, the lines on the output tabs, and the
// views left as they were.

#include "ViewTestSupport.h"
#include "views/CsvExportCommand.h"
#include "views/TarnView.h"

#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillan;
using namespace quillan::test;
using views::TarnView;

namespace {

// The output lines the export sends, in order, as "Debug: ..." and "Build: ...".
struct LineRecorder {
    QStringList lines;
    explicit LineRecorder(shell::TarnApp& app)
    {
        app.notifications().setHandler(Receiver::mainWindow, [this](const Notification& n) {
            if (n.code == MSG_DEBUG_LINE) {
                lines << "Debug: " + QString::fromStdString(n.text);
            } else if (n.code == MSG_OUTPUT_LINE) {
                lines << "Build: " + QString::fromStdString(n.text);
            }
        });
    }
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void setFolder(TarnDoc& doc, const QString& folder)
{
    doc.root()->setProjectFolder(folder.toStdString());
}

} // namespace

class TarnViewCsvExportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesEveryGatewayBesideTheProject()
    {
        QTemporaryDir dir;
        TestApp t;
        PlantProject p(t.doc);
        const QString folder = dir.path() + "/";
        setFolder(t.doc, folder);
        QVERIFY(pasteToModbusMap(*p.g1, {pointNamed(*p.g1, "VIN")}, false).empty());
        LineRecorder recorder(t.app);

        views::exportCsv(t.app, nullptr);

        const QString message = "Plant.csv was created at location '" + folder + "'.";
        QCOMPARE(recorder.lines, (QStringList{"Debug: " + message, "Build: " + message}));
        const QByteArray csv = readAll(folder + "Plant.csv");
        QVERIFY(csv.startsWith("Gateway\r\n"
                               "Imports\r\n"
                               "001, Gateway, Base:VIN, 00:00:01, \r\n"));
        QVERIFY(csv.contains("Modbus\r\n001, Integer (16-bit), 3001, Gateway, Base:VIN\r\n"));
        // Gateway_2 has no exports, outputs or map entries: its headings follow each other.
        QVERIFY(csv.endsWith("Gateway_2\r\n"
                             "Imports\r\n"
                             "001, Gateway_2, Base:VIN, 00:00:01, \r\n"
                             "Exports\r\nOutputs\r\nModbus\r\n"));
    }

    void anotherExportReplacesTheFile()
    {
        QTemporaryDir dir;
        TestApp t;
        PlantProject p(t.doc);
        setFolder(t.doc, dir.path() + "/");
        const QString path = dir.filePath("Plant.csv");
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(10000, 'x'));
        }
        views::exportCsv(t.app, nullptr);
        const QByteArray first = readAll(path);
        QVERIFY(first.startsWith("Gateway\r\n"));
        QVERIFY(!first.contains("xxxx"));
        views::exportCsv(t.app, nullptr);
        QCOMPARE(readAll(path), first);
    }

    void theViewsKeepWhatTheyShow()
    {
        QTemporaryDir dir;
        TestApp t;
        PlantProject p(t.doc);
        setFolder(t.doc, dir.path() + "/");
        TarnView view(t.app);
        view.nodeSelected(p.g1, nullptr);
        view.list(TarnView::importsTab).selectRows({0});
        const QStringList before = rowTexts(view.list(TarnView::importsTab), 3);

        views::exportCsv(t.app, nullptr);

        QCOMPARE(view.shownNode(), p.g1);
        QCOMPARE(view.list(TarnView::importsTab).viewNode(), p.g1);
        QCOMPARE(view.list(TarnView::importsTab).rows().rowCount(), 4);
        QCOMPARE(rowTexts(view.list(TarnView::importsTab), 3), before);
        QCOMPARE(view.list(TarnView::importsTab).selectedRows(), std::vector<int>{0});
    }

    void anUnwritableFolderIsReportedAndAnnouncesNothing()
    {
        QTemporaryDir dir;
        TestApp t;
        PlantProject p(t.doc);
        setFolder(t.doc, dir.path() + "/missing/");
        LineRecorder recorder(t.app);
        MessageBoxCloser boxes;
        views::exportCsv(t.app, nullptr);
        QCOMPARE(boxes.captions, QStringList{"Export to .CSV"});
        QVERIFY(recorder.lines.isEmpty());
    }

    void nothingWithoutAGateway()
    {
        QTemporaryDir dir;
        TestApp t;
        PlantProject p(t.doc, 1);
        setFolder(t.doc, dir.path() + "/");
        t.doc.deleteNode(*p.g1);
        LineRecorder recorder(t.app);
        views::exportCsv(t.app, nullptr);
        QVERIFY(recorder.lines.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("Plant.csv")));
    }

    void aProjectWithoutAFolderAsksWhereToWrite()
    {
        QTemporaryDir dir;
        TestApp t;
        PlantProject p(t.doc);
        setFolder(t.doc, "");
        LineRecorder recorder(t.app);
        const QString chosen = dir.filePath("Report.csv");
        whenModal([chosen](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept();
        });
        views::exportCsv(t.app, nullptr);
        QVERIFY(readAll(chosen).startsWith("Gateway\r\n"));
        QCOMPARE(recorder.lines.size(), 2);
        QCOMPARE(recorder.lines[1],
                 "Build: Report.csv was created at location '" + dir.path() + "/'.");
    }
};

QTEST_MAIN(TarnViewCsvExportTest)
#include "TarnViewCsvExportTest.moc"
