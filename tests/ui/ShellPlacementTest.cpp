#include "ShellTestSupport.h"
#include "shell/FramePlacement.h"

#include <QDockWidget>
#include <QtTest>

using namespace quillan;
using namespace quillan::shell;
using test::ShellFixture;

Q_DECLARE_METATYPE(quillan::shell::FramePlacement)

namespace {

// What the profile holds under "Frame", read without the code under test.
FramePlacement storedValues()
{
    FramePlacement stored{-1, -1, -1, -1, -1, -1};
    platform::QtSettingsStore store;
    if (!store.open().ok()) {
        return stored;
    }
    const auto read = [&](const char* name, std::int32_t& field) {
        field = store.readNumber(std::string("Quillan/Frame/") + name).value_or(-1);
    };
    read("Left", stored.left);
    read("Top", stored.top);
    read("Right", stored.right);
    read("Bottom", stored.bottom);
    read("Flags", stored.flags);
    read("Show", stored.show);
    return stored;
}

void store(const FramePlacement& p)
{
    platform::QtSettingsStore store;
    QVERIFY(store.open().ok());
    QVERIFY(store.writeNumber("Quillan/Frame/Left", p.left).ok());
    QVERIFY(store.writeNumber("Quillan/Frame/Top", p.top).ok());
    QVERIFY(store.writeNumber("Quillan/Frame/Right", p.right).ok());
    QVERIFY(store.writeNumber("Quillan/Frame/Bottom", p.bottom).ok());
    QVERIFY(store.writeNumber("Quillan/Frame/Flags", p.flags).ok());
    QVERIFY(store.writeNumber("Quillan/Frame/Show", p.show).ok());
}

} // namespace

class ShellPlacementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { test::clearSettings(); }

    void aFirstRunOpensEightHundredBySixHundredAtTheOrigin()
    {
        ShellFixture f;
        QCOMPARE(readFramePlacement(f.store), (FramePlacement{0, 0, 800, 600, 0, 5}));
        f.frame.showPlaced();
        // The window's frame at the origin (its inside can sit no higher than that).
        QCOMPARE(f.frame.frameGeometry().topLeft(), QPoint(0, 0));
        QCOMPARE(f.frame.geometry().size(), QSize(800, 600));
        QVERIFY(!f.frame.isMaximized());
        QVERIFY(f.frame.isVisible());
    }

    // A stored placement and the window it gives at the next start.
    void theStoredPlacementIsWhereTheWindowOpens_data()
    {
        QTest::addColumn<FramePlacement>("stored");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("maximized");
        QTest::newRow("normal") << FramePlacement{30, 40, 670, 520, 0, 5} << QRect(30, 40, 640, 480)
                                << false;
        QTest::newRow("maximized")
            << FramePlacement{30, 40, 670, 520, 0, 3} << QRect(30, 40, 640, 480) << true;
        QTest::newRow("minimized from maximized")
            << FramePlacement{30, 40, 670, 520, 2, 2} << QRect(30, 40, 640, 480) << true;
        QTest::newRow("minimized")
            << FramePlacement{30, 40, 670, 520, 0, 2} << QRect(30, 40, 640, 480) << false;
        QTest::newRow("off every screen")
            << FramePlacement{5000, 40, 5640, 520, 0, 5} << QRect(0, 0, 800, 600) << false;
        QTest::newRow("too small")
            << FramePlacement{30, 40, 60, 60, 0, 5} << QRect(0, 0, 800, 600) << false;
        QTest::newRow("damaged edges")
            << FramePlacement{30, 40, 10, 20, 0, 5} << QRect(0, 0, 800, 600) << false;
    }
    void theStoredPlacementIsWhereTheWindowOpens()
    {
        QFETCH(FramePlacement, stored);
        QFETCH(QRect, geometry);
        QFETCH(bool, maximized);
        store(stored);
        ShellFixture f;
        f.frame.showPlaced();
        QCOMPARE(f.frame.isMaximized(), maximized);
        const QRect normal = f.frame.normalGeometry();
        if (geometry.topLeft() == QPoint(0, 0)) {
            // The default place: the frame, not the inside, is at the origin.
            QCOMPARE(normal.size(), geometry.size());
            QVERIFY(normal.left() < 10 && normal.top() < 10);
        } else {
            QCOMPARE(normal, geometry);
        }
    }

    void closingWritesThePlacementTheNextStartReads()
    {
        {
            ShellFixture f;
            f.frame.showPlaced();
            f.frame.setGeometry(30, 40, 640, 480);
            QVERIFY(f.frame.close());
        }
        QCOMPARE(storedValues(), (FramePlacement{30, 40, 670, 520, 0, 5}));
        {
            ShellFixture f;
            f.frame.showPlaced();
            QCOMPARE(f.frame.geometry(), QRect(30, 40, 640, 480));
            f.frame.showMaximized();
            QVERIFY(f.frame.close());
        }
        const FramePlacement maximized = storedValues();
        QCOMPARE(maximized.show, 3);
        QCOMPARE(maximized.flags, 0);
        QCOMPARE(QRect(maximized.left, maximized.top, maximized.right - maximized.left,
                       maximized.bottom - maximized.top),
                 QRect(30, 40, 640, 480));
    }

    void theOutputPaneStartsAHundredPixelsHigh()
    {
        ShellFixture f;
        f.frame.showPlaced();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        QCOMPARE(f.frame.outputDock().height(), 100);
        QCOMPARE(f.frame.projectDock().width(), 270);
    }

    void aWindowMinimizedFromMaximizedComesBackMaximized()
    {
        QWidget window;
        window.setGeometry(10, 20, 300, 200);
        window.setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
        const FramePlacement placement = placementOf(window);
        QCOMPARE(placement.show, FramePlacement::SHOW_MINIMIZED);
        QCOMPARE(placement.flags, FramePlacement::FLAG_RESTORE_TO_MAXIMIZED);
    }

    void theDockLayoutSurvivesARestart()
    {
        {
            ShellFixture f;
            f.frame.showPlaced();
            f.frame.outputDock().hide();
            QVERIFY(f.frame.close());
        }
        ShellFixture f;
        f.frame.showPlaced();
        QVERIFY(f.frame.outputDock().isHidden());
        QVERIFY(f.frame.projectDock().isVisible());
    }

    // Restore Default View: the close writes the default placement and no layout, so the next
    // start has the first run's window and panes.
    void restoringTheDefaultViewWritesDefaultsAndNoLayout()
    {
        {
            ShellFixture f;
            f.frame.showPlaced();
            f.frame.setGeometry(30, 40, 640, 480);
            f.frame.outputDock().hide();
            QVERIFY(f.frame.close());
        }
        {
            ShellFixture f;
            f.frame.showPlaced();
            QVERIFY(f.frame.outputDock().isHidden());
            f.app.settings().restoreDefaultView();
            QVERIFY(f.frame.close());
        }
        QCOMPARE(storedValues(), (FramePlacement{0, 0, 800, 600, 0, 5}));
        QVERIFY(!platform::QtSettingsStore::openProfile()->contains("Workspace/State"));
        ShellFixture f;
        f.frame.showPlaced();
        QCOMPARE(f.frame.frameGeometry().topLeft(), QPoint(0, 0));
        QCOMPARE(f.frame.geometry().size(), QSize(800, 600));
        QVERIFY(f.frame.outputDock().isVisible());
    }

    // The recent files live in the profile that Restore Default View deletes; the close puts
    // them back.
    void theRecentFilesSurviveRestoringTheDefaultView()
    {
        test::TempDir dir;
        QVERIFY(dir.valid());
        const std::string path = test::makeProject(dir, "Kept", true);
        QVERIFY(!path.empty());
        QStringList recent;
        {
            ShellFixture f;
            f.frame.showPlaced();
            QVERIFY(f.frame.openDocumentFile(QString::fromStdString(path)));
            recent = f.frame.recentFiles().files();
            QCOMPARE(recent.size(), 1);
            f.app.settings().restoreDefaultView();
            QVERIFY(!platform::QtSettingsStore::openProfile()->contains("Recent File List/File1"));
            QVERIFY(f.frame.close());
        }
        QCOMPARE(platform::QtSettingsStore::openProfile()->value("Recent File List/File1"),
                 QVariant(recent.front()));
        QVERIFY(!platform::QtSettingsStore::openProfile()->contains("Workspace/State"));
        ShellFixture f;
        QCOMPARE(f.frame.recentFiles().files(), recent);
    }
};

QTEST_MAIN(ShellPlacementTest)
#include "ShellPlacementTest.moc"
