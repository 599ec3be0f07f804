// The output pane: stamped lines on Build and Debug, the debug listener on the gateway's port,
// auto-scroll, clearing and trimming, and switching the listener off and on around device work.

#include "views/OutputWnd.h"

#include "device/MemorySerialLink.h"
#include "settings/MemorySettingsStore.h"
#include "shell/TarnApp.h"
#include "views/OutputLineModel.h"

#include <QAction>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QListView>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace quillan;
using views::OutputWnd;

namespace {

// An application whose configuration port runs at 19200 7E2, logging into a file of its own,
// with a gateway in memory attached.
struct ListenerFixture {
    QTemporaryDir dir;
    MemorySettingsStore store;
    std::unique_ptr<shell::TarnApp> app;
    device::MemorySerialLink* link = nullptr;

    ListenerFixture()
    {
        store.put("configPort", std::string("mem"));
        store.put("configLogFile", logPath().toStdString());
        store.put("configBaudRate", 19200);
        store.put("configDataBits", 7);
        store.put("configParity", int32_t{device::PARITY_EVEN});
        store.put("configStopBits", int32_t{device::STOP_BITS_TWO});
        app = std::make_unique<shell::TarnApp>(store, shell::AppOptions{});
        app->linkFactory().addVirtualPort("mem", [this] {
            auto made = std::make_unique<device::MemorySerialLink>();
            link = made.get();
            return made;
        });
        if (!app->attachPort("mem")) {
            link = nullptr;
        }
    }

    [[nodiscard]] QString logPath() const { return dir.filePath("Debug.log"); }
    [[nodiscard]] int logCount(const QString& text) const
    {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly)) {
            return -1;
        }
        return static_cast<int>(QString::fromLatin1(file.readAll()).count(text));
    }
};

QString text(const views::OutputLineModel& model, int row)
{
    return model.index(row).data().toString();
}

const QRegularExpression kStamped(R"(^\d\d:\d\d:\d\d\.\d\d\d- )");

} // namespace

class OutputWndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void twoTabsAtTheBottomInAFixedPitchFont()
    {
        ListenerFixture f;
        OutputWnd wnd(*f.app);
        QCOMPARE(wnd.tabs().count(), 2);
        QCOMPARE(wnd.tabs().tabText(0), QString("Build"));
        QCOMPARE(wnd.tabs().tabText(1), QString("Debug"));
        QCOMPARE(wnd.tabs().tabPosition(), QTabWidget::South);
        // Drawn fixed pitch, whatever the face declares: a run of narrow letters is as wide
        // as a run of wide ones, on both lists.
        for (OutputWnd::List list : {OutputWnd::build, OutputWnd::debug}) {
            const QFontMetricsF metrics(wnd.listView(list).font());
            const qreal narrow = metrics.horizontalAdvance("iiiiiiiiii.....");
            QVERIFY(narrow > 0);
            QCOMPARE(metrics.horizontalAdvance("WWWWWWWWWWMMMMM"), narrow);
            QCOMPARE(metrics.horizontalAdvance("09:05:03.007- A"), narrow);
        }
        QVERIFY(wnd.isActive());
    }

    // Faces as fontconfig has them: Noto Sans Mono draws monospaced but does not say so.
    void theFontIsJudgedByWhatItDraws_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("monospaced");
        QTest::newRow("DejaVu Sans Mono") << "DejaVu Sans Mono" << true;
        QTest::newRow("Noto Sans Mono") << "Noto Sans Mono" << true;
        QTest::newRow("Liberation Mono") << "Liberation Mono" << true;
        QTest::newRow("DejaVu Sans") << "DejaVu Sans" << false;
        QTest::newRow("DejaVu Serif") << "DejaVu Serif" << false;
    }
    void theFontIsJudgedByWhatItDraws()
    {
        QFETCH(QString, family);
        QFETCH(bool, monospaced);
        if (!QFontDatabase::hasFamily(family)) {
            QSKIP("the face is not installed here");
        }
        QFont font(family, OutputWnd::kFontPoints);
        QCOMPARE(QFontInfo(font).family(), family);
        QCOMPARE(OutputWnd::drawsMonospaced(font), monospaced);
    }

    void linesAreStampedAndDebugLinesLogged()
    {
        ListenerFixture f;
        OutputWnd wnd(*f.app);
        wnd.addOutputLine("Plant.csv was created at location '/work/'.");
        wnd.addDebugLine("Modbus Error: timeout");
        const QString build = text(wnd.lines(OutputWnd::build), 0);
        QVERIFY2(build.contains(kStamped), qPrintable(build));
        QVERIFY(build.endsWith("- Plant.csv was created at location '/work/'."));
        QVERIFY(text(wnd.lines(OutputWnd::debug), 0).endsWith("- Modbus Error: timeout"));
        QCOMPARE(wnd.lines(OutputWnd::debug).size(), 1);
        // The log has its own stamp; the Build line does not go there.
        QCOMPARE(f.logCount("-  Modbus Error: timeout\r\n"), 1);
        QCOMPARE(f.logCount("Plant.csv"), 0);
    }

    void debugBytesBecomeLines()
    {
        ListenerFixture f;
        QVERIFY(f.link != nullptr);
        OutputWnd wnd(*f.app);
        const auto& debug = wnd.lines(OutputWnd::debug);
        f.link->inject({'A', 'B', '\r', '\n', 'C'});
        QTRY_COMPARE_WITH_TIMEOUT(debug.size(), 1, 5000);
        QVERIFY(text(debug, 0).contains(kStamped));
        QVERIFY(text(debug, 0).endsWith("- AB"));

        // C waits for its line feed; other control bytes are dropped.
        f.link->inject({0x07, 'D', 0x1B, '\n'});
        QTRY_COMPARE_WITH_TIMEOUT(debug.size(), 2, 5000);
        QVERIFY(text(debug, 1).endsWith("- CD"));
        QCOMPARE(f.logCount("-  CD\r\n"), 1);
    }

    void noLinesWhileCtsIsOffOrTheListenerSuspended()
    {
        ListenerFixture f;
        QVERIFY(f.link != nullptr);
        OutputWnd wnd(*f.app);
        wnd.suspend(); // the timer is not wanted here; each poll is taken by hand
        f.link->inject({'X', '\n'});
        wnd.pollDebugPort();
        QCOMPARE(f.link->readCount(), 0);

        wnd.activate();
        f.link->setCts(false);
        wnd.pollDebugPort();
        QCOMPARE(wnd.lines(OutputWnd::debug).size(), 0);
        f.link->setCts(true);
        wnd.pollDebugPort();
        QCOMPARE(wnd.lines(OutputWnd::debug).size(), 1);
    }

    void suspendAndActivateActOnce()
    {
        ListenerFixture f;
        QVERIFY(f.link != nullptr);
        OutputWnd wnd(*f.app);
        QVERIFY(f.link->configure({9600, 8, device::PARITY_NONE, device::STOP_BITS_ONE}));

        wnd.suspend();
        QCOMPARE(f.link->settings(), device::DEVICE_LINE_SETTINGS);
        // A device operation may set the port as it likes; a second suspend leaves it alone.
        QVERIFY(f.link->configure({4800, 8, device::PARITY_NONE, device::STOP_BITS_ONE}));
        wnd.suspend();
        QCOMPARE(f.link->settings().baudRate, 4800u);
        QCOMPARE(f.logCount("OutputWindow::SuspendDebugOutput()"), 1);
        QVERIFY(!wnd.isActive());

        wnd.activate();
        const device::LineSettings config{19200, 7, device::PARITY_EVEN, device::STOP_BITS_TWO};
        QCOMPARE(f.link->settings(), config);
        QVERIFY(f.link->configure({4800, 8, device::PARITY_NONE, device::STOP_BITS_ONE}));
        wnd.activate();
        QCOMPARE(f.link->settings().baudRate, 4800u);
        QCOMPARE(f.logCount("OutputWindow::ActivateDebugOutput()"), 1);
        QVERIFY(wnd.isActive());
    }

    void clearingDebugKeepsBuild()
    {
        ListenerFixture f;
        OutputWnd wnd(*f.app);
        wnd.addOutputLine("one");
        wnd.addDebugLine("two");
        wnd.addDebugLine("three");
        wnd.clearDebug();
        QCOMPARE(wnd.lines(OutputWnd::debug).size(), 0);
        QCOMPARE(wnd.lines(OutputWnd::build).size(), 1);
        wnd.addDebugLine("four");
        QVERIFY(text(wnd.lines(OutputWnd::debug), 0).endsWith("- four"));
    }

    void theMillionAndFirstDebugLineDropsTheOldestThousand()
    {
        ListenerFixture f;
        OutputWnd wnd(*f.app);
        views::OutputLineModel& debug = wnd.lines(OutputWnd::debug);
        for (int i = 0; i < OutputWnd::kMaxDebugLines; ++i) {
            debug.append(std::to_string(i));
        }
        wnd.addDebugLine("newest");
        QCOMPARE(debug.size(), 999001);
        QCOMPARE(text(debug, 0), QString("1000"));
        QVERIFY(text(debug, 999000).endsWith("- newest"));
        // Build has no such limit.
        QCOMPARE(wnd.lines(OutputWnd::build).size(), 0);
    }

    void autoScrollFollowsTheNewestLineUnlessSwitchedOff()
    {
        ListenerFixture f;
        OutputWnd wnd(*f.app);
        wnd.resize(500, 200);
        wnd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wnd));
        QScrollBar* build = wnd.listView(OutputWnd::build).verticalScrollBar();
        QScrollBar* debug = wnd.listView(OutputWnd::debug).verticalScrollBar();
        wnd.tabs().setCurrentIndex(OutputWnd::debug);
        for (int i = 0; i < 200; ++i) {
            wnd.addDebugLine("line " + std::to_string(i));
        }
        QTRY_VERIFY(debug->maximum() > 0 && debug->value() == debug->maximum());

        wnd.setAutoScroll(OutputWnd::debug, false);
        debug->setValue(10);
        for (int i = 0; i < 50; ++i) {
            wnd.addDebugLine("more " + std::to_string(i));
            wnd.addOutputLine("build " + std::to_string(i));
        }
        // Once Build has followed its lines, Debug has had the same chance to move.
        wnd.tabs().setCurrentIndex(OutputWnd::build);
        QTRY_VERIFY(build->maximum() > 0 && build->value() == build->maximum());
        QCOMPARE(debug->value(), 10);
        QCOMPARE(wnd.lines(OutputWnd::debug).size(), 250);
    }

    void contextMenuTogglesAutoScroll()
    {
        ListenerFixture f;
        OutputWnd wnd(*f.app);
        wnd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wnd));
        QListView& list = wnd.listView(OutputWnd::build);
        QString entry;
        bool wasChecked = false;
        QTimer poll;
        poll.setInterval(5);
        connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr || menu->actions().isEmpty()) {
                return;
            }
            poll.stop();
            QAction* action = menu->actions().front();
            entry = action->text();
            wasChecked = action->isChecked();
            action->trigger();
            menu->close();
        });
        poll.start();
        Q_EMIT list.customContextMenuRequested(QPoint(10, 10));
        QCOMPARE(entry, QString("&Auto Scroll"));
        QVERIFY(wasChecked);
        QVERIFY(!wnd.autoScroll(OutputWnd::build));
        QVERIFY(wnd.autoScroll(OutputWnd::debug));
    }
};

QTEST_MAIN(OutputWndTest)
#include "OutputWndTest.moc"
