#include "platform/QtSettingsStore.h"
#include "shell/CommandActions.h"
#include "shell/MainFrame.h"
#include "shell/TarnApp.h"
#include "views/TarnView.h"

#include <QAction>
#include <QtTest>

using namespace quillan;

class MainFrameTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hasTheFiveTabsAndBothPanes()
    {
        platform::QtSettingsStore store;
        shell::TarnApp app(store, {});
        shell::MainFrame frame(app);
        QCOMPARE(frame.tarnView().count(), 5);
        const QStringList titles{"Device", "Imports", "Exports", "Outputs", "Modbus"};
        for (int i = 0; i < titles.size(); ++i) {
            QCOMPARE(frame.tarnView().tabText(i), titles[i]);
        }
        QVERIFY(frame.actions().action(shell::Command::exit)->isEnabled());
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
