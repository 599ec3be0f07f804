// Every dialog by keyboard alone: where the focus starts, the order Tab takes through the
// fields and back round, Enter for the default button and Escape for Cancel.

#include "ui/FocusNames.h"
#include "ViewTestSupport.h"
#include "dialogs/EditStartingRegisterDlg.h"
#include "dialogs/ExportIntervalDlg.h"
#include "dialogs/MapImportsDlg.h"
#include "dialogs/NewSiteDlg.h"
#include "dialogs/OutputNameDlg.h"
#include "dialogs/ScaleImportDlg.h"
#include "dialogs/UserOptionsDlg.h"
#include "dialogs/WriteImportDlg.h"
#include "model/Site.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>
#include <memory>

using namespace quillan;
using namespace quillan::test;

namespace {

struct Fixture {
    TestApp t;
    PlantProject p{t.doc};
    NullNotificationSink sink;
};

Site site900()
{
    Site site;
    site.setSiteName("North");
    site.setBand(band900);
    site.setSiteChannel(4);
    return site;
}

std::unique_ptr<QDialog> makeDialog(const QString& name, Fixture& f)
{
    ProjectSettings& settings = f.t.app.settings();
    if (name == "scale import") {
        return std::make_unique<dialogs::ScaleImportDlg>(*pointNamed(*f.p.g1, "Flow"));
    }
    if (name == "export interval") {
        return std::make_unique<dialogs::ExportIntervalDlg>(3725);
    }
    if (name == "map imports") {
        const auto shared = importPoints(*f.p.g2, *f.p.g1, {pointNamed(*f.p.g2, "VIN")});
        return std::make_unique<dialogs::MapImportsDlg>("Gateway", shared, settings);
    }
    if (name == "new write import") {
        return std::make_unique<dialogs::WriteImportDlg>(settings);
    }
    if (name == "modify write import") {
        return std::make_unique<dialogs::WriteImportDlg>(settings, "Valve", false);
    }
    if (name == "point name") {
        return std::make_unique<dialogs::OutputNameDlg>("Flow");
    }
    if (name == "starting register") {
        return std::make_unique<dialogs::EditStartingRegisterDlg>(1001);
    }
    if (name == "user options") {
        return std::make_unique<dialogs::UserOptionsDlg>(
            settings, f.sink, dialogs::UserOptionsDlg::Ports{{"ttyS0"}, std::nullopt});
    }
    if (name == "new site") {
        return std::make_unique<dialogs::NewSiteDlg>(Site{}, false);
    }
    if (name == "edit site") {
        return std::make_unique<dialogs::NewSiteDlg>(site900(), true);
    }
    return nullptr;
}

void showActive(QDialog& dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

const QStringList kDialogs{
    "scale import", "export interval",   "map imports",  "new write import", "modify write import",
    "point name",   "starting register", "user options", "new site",         "edit site"};

} // namespace

class DialogKeyboardTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tabGoesRoundTheFieldsInOrder_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("scale import")
            << "scale import" << QStringList{"Offset", "Gain", "OK", "Cancel", "Offset"};
        // Tab takes the picker's hours, minutes and seconds in turn.
        QTest::newRow("export interval")
            << "export interval"
            << QStringList{"Interval", "Interval", "Interval", "OK", "Cancel", "Interval"};
        QTest::newRow("map imports")
            << "map imports"
            << QStringList{
                   "OK", "Cancel", "Imports To Map", "Integer Table", "Floating Point Table", "OK"};
        // OK waits for a name.
        QTest::newRow("new write import")
            << "new write import" << QStringList{"Name", "Integer", "Cancel", "Name"};
        QTest::newRow("modify write import")
            << "modify write import" << QStringList{"Name", "OK", "Cancel", "Name"};
        QTest::newRow("point name") << "point name" << QStringList{"Name", "OK", "Cancel", "Name"};
        QTest::newRow("starting register")
            << "starting register"
            << QStringList{"Starting Register", "OK", "Cancel", "Starting Register"};
        QTest::newRow("user options") << "user options"
                                      << QStringList{"Log",
                                                     "Clear Debug Windows",
                                                     "Restore Default View",
                                                     "Enable Configuration Dump",
                                                     "Default Gateway Config Port Mode",
                                                     "Detected gateway",
                                                     "OK",
                                                     "Cancel",
                                                     "Log"};
        // No band yet: no channel or bit rate to go to.
        QTest::newRow("new site") << "new site" << QStringList{"Site Name",
                                                               "Frequency",
                                                               "Group",
                                                               "Enhanced Site Security",
                                                               "Enable AES Encryption",
                                                               "OK",
                                                               "Cancel",
                                                               "Site Name"};
        QTest::newRow("edit site") << "edit site"
                                   << QStringList{"Site Name",
                                                  "Frequency",
                                                  "Channel",
                                                  "Group",
                                                  "Bit Rate",
                                                  "Enhanced Site Security",
                                                  "Enable AES Encryption",
                                                  "OK",
                                                  "Cancel",
                                                  "Site Name"};
    }
    void tabGoesRoundTheFieldsInOrder()
    {
        QFETCH(QString, dialog);
        QFETCH(QStringList, chain);
        Fixture f;
        const auto window = makeDialog(dialog, f);
        QVERIFY(window != nullptr);
        showActive(*window);
        QStringList seen{describe(QApplication::focusWidget())};
        while (seen.size() < chain.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << describe(QApplication::focusWidget());
        }
        QCOMPARE(seen, chain);
    }

    void enterTakesTheDefaultButtonAndEscapeCancels_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<bool>("enterAccepts");
        for (const QString& name : kDialogs) {
            // Enter in a dialog that still lacks a name or band does not end it.
            QTest::newRow(qPrintable(name))
                << name << (name != "new write import" && name != "new site");
        }
    }
    void enterTakesTheDefaultButtonAndEscapeCancels()
    {
        QFETCH(QString, dialog);
        QFETCH(bool, enterAccepts);
        Fixture f;
        if (enterAccepts) {
            const auto entered = makeDialog(dialog, f);
            showActive(*entered);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(entered->result(), int(QDialog::Accepted));
            QVERIFY(!entered->isVisible());
        }
        const auto escaped = makeDialog(dialog, f);
        showActive(*escaped);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!escaped->isVisible());
        QCOMPARE(escaped->result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(DialogKeyboardTest)
#include "DialogKeyboardTest.moc"
