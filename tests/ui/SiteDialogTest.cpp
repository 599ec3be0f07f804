// The site dialog: the site's rules as a user meets them through the fields, and the three
// commands that open it (Insert > Site, the root's Edit..., the Device tab's Properties...).

#include "ProjectFixture.h"
#include "ViewTestSupport.h"
#include "controls/ClampSpinBox.h"
#include "dialogs/NewSiteDlg.h"
#include "model/Site.h"
#include "ui/KeyboardInput.h"
#include "views/TarnView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>
#include <ctime>

using namespace quillan;
using namespace quillan::test;
using dialogs::NewSiteDlg;
using shell::Command;

namespace {

struct SiteValues {
    int band = bandNotChosen;
    int channel = 0;
    int firstGroup = 0;
    int nextGroup = 1;
    int highBitRate = 0;
};

Site makeSite(const QString& name, const SiteValues& v)
{
    Site site;
    site.setSiteName(name.toStdString());
    site.setBand(static_cast<uint16_t>(v.band));
    site.setSiteChannel(static_cast<uint16_t>(v.channel));
    site.setFirstGroup(static_cast<uint16_t>(v.firstGroup));
    site.setNextGroup(static_cast<uint16_t>(v.nextGroup));
    site.setHighBitRate(static_cast<uint16_t>(v.highBitRate));
    site.setSecurityEnabled(false);
    return site;
}

// Picks an entry of a closed list with the arrow keys, as a keyboard user does; the entry
// already shown is picked again as from the list's popup.
void pick(QComboBox& list, int index)
{
    list.setFocus(Qt::TabFocusReason);
    if (list.currentIndex() == index) {
        Q_EMIT list.activated(index);
    }
    for (int at = list.currentIndex(); at < index; ++at) {
        QTest::keyClick(&list, Qt::Key_Down);
    }
    for (int at = list.currentIndex(); at > index; --at) {
        QTest::keyClick(&list, Qt::Key_Up);
    }
}

// "name=TEXT", "band=N", "channel=N", "group=N", "bitrate=N", then Enter in the last field
// for OK.
void fill(NewSiteDlg& dialog, const QString& script)
{
    QWidget* last = &dialog.nameBox();
    for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QString value = step.section(u'=', 1);
        if (step.startsWith("name=")) {
            last = &dialog.nameBox();
            typeInto(*last, value);
        } else if (step.startsWith("band=")) {
            last = &dialog.frequencyList();
            pick(dialog.frequencyList(), value.toInt());
        } else if (step.startsWith("channel=")) {
            last = &dialog.channelBox();
            typeInto(*last, value);
        } else if (step.startsWith("group=")) {
            last = &dialog.groupBox();
            typeInto(*last, value);
        } else if (step.startsWith("bitrate=")) {
            last = &dialog.bitRateList();
            pick(dialog.bitRateList(), value.toInt());
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
    QTest::keyClick(last, Qt::Key_Return);
}

} // namespace

Q_DECLARE_METATYPE(SiteValues)

class SiteDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensOnTheSite_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<int>("highBitRate");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("bitRates");
        QTest::addColumn<QString>("bitRate");
        QTest::addColumn<bool>("bitRateEnabled");
        QTest::addColumn<int>("lowChannel");
        QTest::addColumn<int>("highChannel");
        QTest::newRow("no band yet")
            << 3 << 0 << "New Site" << QStringList{} << "" << false << 0 << 9;
        QTest::newRow("868 MHz") << 0 << 0 << "Edit Site" << QStringList{"80000"} << "80000"
                                 << false << 0 << 9;
        QTest::newRow("900 MHz at 115200")
            << 1 << 1 << "Edit Site" << QStringList{"9600", "115200"} << "115200" << true << 0 << 9;
        QTest::newRow("2.4 GHz") << 2 << 0 << "Edit Site" << QStringList{"250000"} << "250000"
                                 << false << 12 << 23;
    }
    void opensOnTheSite()
    {
        QFETCH(int, band);
        QFETCH(int, highBitRate);
        QFETCH(QString, title);
        QFETCH(QStringList, bitRates);
        QFETCH(QString, bitRate);
        QFETCH(bool, bitRateEnabled);
        QFETCH(int, lowChannel);
        QFETCH(int, highChannel);
        Site site = makeSite("North", {band, band == band2400 ? 14 : 4, 30, 33, highBitRate});
        site.setSecurityEnabled(true);
        site.setAesEnabled(true);
        NewSiteDlg dialog(site, true);
        QCOMPARE(dialog.windowTitle(), title);
        QCOMPARE(dialog.nameBox().text(), QString("North"));
        QCOMPARE(dialog.frequencyList().currentIndex(), band == 3 ? -1 : band);
        QCOMPARE(entries(dialog.frequencyList()), (QStringList{"868 MHz", "900 MHz", "2.4  GHz"}));
        QCOMPARE(entries(dialog.bitRateList()), bitRates);
        QCOMPARE(dialog.bitRateList().currentText(), bitRate);
        QCOMPARE(dialog.bitRateList().isEnabled(), bitRateEnabled);
        QCOMPARE(dialog.channelBox().minimum(), lowChannel);
        QCOMPARE(dialog.channelBox().maximum(), highChannel);
        QCOMPARE(dialog.channelBox().isEnabled(), band != 3);
        QCOMPARE(dialog.groupBox().value(), 30);
        QCOMPARE(dialog.groupBox().maximum(), 999);
        QVERIFY(dialog.securityBox().isChecked());
        QVERIFY(dialog.aesBox().isChecked());
    }

    void okFollowsTheSiteRules_data()
    {
        QTest::addColumn<SiteValues>("start");
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<SiteValues>("result");

        const SiteValues full{band900, 3, 995, 1000, 0};
        QTest::newRow("a new first group keeps the gateways' offsets")
            << full << true << "group=1"
            << "" << SiteValues{band900, 3, 1, 6, 0};
        QTest::newRow("groups past 999 are refused") << full << true << "group=996"
                                                     << "Max group number exceeded" << full;
        QTest::newRow("900 MHz to 2.4 GHz: channel 12, low bit rate")
            << SiteValues{band900, 5, 0, 1, 1} << true << "band=2"
            << "" << SiteValues{band2400, 12, 0, 1, 0};
        QTest::newRow("channel 30 on 2.4 GHz becomes 23")
            << SiteValues{band2400, 12, 0, 1, 0} << true << "channel=30"
            << "" << SiteValues{band2400, 23, 0, 1, 0};
        QTest::newRow("channel 5 on 2.4 GHz becomes 12")
            << SiteValues{band2400, 20, 0, 1, 0} << true << "channel=5"
            << "" << SiteValues{band2400, 12, 0, 1, 0};
        QTest::newRow("group 1500 becomes 999")
            << SiteValues{band900, 0, 0, 1, 0} << true << "group=1500"
            << "" << SiteValues{band900, 0, 999, 1000, 0};
        QTest::newRow("900 MHz takes the bit rate chosen")
            << SiteValues{band900, 2, 0, 1, 0} << true << "bitrate=1"
            << "" << SiteValues{band900, 2, 0, 1, 1};
        QTest::newRow("868 MHz starts at its highest channel")
            << SiteValues{band900, 2, 0, 1, 1} << true << "band=0"
            << "" << SiteValues{band868, 9, 0, 1, 0};
        QTest::newRow("the same band picked again changes nothing")
            << SiteValues{band2400, 17, 0, 1, 0} << true << "band=2"
            << "" << SiteValues{band2400, 17, 0, 1, 0};
        QTest::newRow("a new site's next group is its first")
            << SiteValues{} << false << "name=Alpha band=1 group=10"
            << "" << SiteValues{band900, 0, 10, 10, 0};
        QTest::newRow("a new site needs a name") << SiteValues{} << false << "band=1"
                                                 << "Site Creation Error" << SiteValues{};
        QTest::newRow("a new site needs a band") << SiteValues{} << false << "name=Alpha"
                                                 << "Site Creation Error" << SiteValues{};
    }
    void okFollowsTheSiteRules()
    {
        QFETCH(SiteValues, start);
        QFETCH(bool, editing);
        QFETCH(QString, script);
        QFETCH(QString, refusal);
        QFETCH(SiteValues, result);
        const Site site = makeSite(editing ? "North" : "", start);
        NewSiteDlg dialog(site, editing);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        MessageBoxCloser boxes;
        const auto before = static_cast<uint32_t>(std::time(nullptr));

        fill(dialog, script);

        if (!refusal.isEmpty()) {
            QCOMPARE(boxes.captions, QStringList{refusal});
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            return;
        }
        QCOMPARE(boxes.captions, QStringList{});
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const Site& s = dialog.site();
        QCOMPARE(int(s.getBand()), result.band);
        QCOMPARE(int(s.getSiteChannel()), result.channel);
        QCOMPARE(int(s.getFirstGroup()), result.firstGroup);
        QCOMPARE(int(s.getNextGroup()), result.nextGroup);
        QCOMPARE(int(s.isHighBitRate()), result.highBitRate);
        if (editing) {
            QCOMPARE(s.getSecurityKey(), site.getSecurityKey());
        } else {
            QCOMPARE(s.getSiteName(), std::string("Alpha"));
            QVERIFY(s.getSecurityKey() >= before);
            QVERIFY(s.getSecurityKey() <= static_cast<uint32_t>(std::time(nullptr)));
        }
    }

    void pickingABandSetsUpTheFields()
    {
        NewSiteDlg dialog(makeSite("", {}), false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), QString("New Site"));
        pick(dialog.frequencyList(), 1);
        QCOMPARE(dialog.windowTitle(), QString("Edit Site"));
        QVERIFY(dialog.channelBox().isEnabled());
        QCOMPARE(entries(dialog.bitRateList()), (QStringList{"9600", "115200"}));
        pick(dialog.bitRateList(), 1);
        pick(dialog.frequencyList(), 2);
        QCOMPARE(entries(dialog.bitRateList()), QStringList{"250000"});
        QVERIFY(!dialog.bitRateList().isEnabled());
        QCOMPARE(dialog.channelBox().value(), 12);
    }

    void theSecurityBoxesAreTaken()
    {
        NewSiteDlg dialog(makeSite("North", {band900, 1, 0, 1, 0}), true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(!dialog.securityBox().isChecked());
        // Space toggles the focused box, as a keyboard user does it.
        dialog.securityBox().setFocus(Qt::TabFocusReason);
        QTest::keyClick(&dialog.securityBox(), Qt::Key_Space);
        dialog.aesBox().setFocus(Qt::TabFocusReason);
        QTest::keyClick(&dialog.aesBox(), Qt::Key_Space);
        QTest::keyClick(&dialog.aesBox(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.site().isSecurityEnabled());
        QVERIFY(dialog.site().isAesEnabled());
    }

    void insertSiteAppendsTheConfirmedSite()
    {
        ProjectFixture f;
        f.select(f.doc().root());
        f.doc().setModifiedFlag(false);
        QVERIFY(f.enabled(Command::insertSite));
        whenModal([](QWidget* modal) {
            auto* dialog = qobject_cast<NewSiteDlg*>(modal);
            QVERIFY(dialog != nullptr);
            fill(*dialog, "name=South band=2 group=40");
        });
        QVERIFY(f.pane().runCommand(Command::insertSite));
        const auto& sites = f.doc().root()->sites();
        QCOMPARE(sites.size(), size_t{2});
        QCOMPARE(sites.back()->getSiteName(), std::string("South"));
        QCOMPARE(int(sites.back()->getBand()), int(band2400));
        QCOMPARE(int(sites.back()->getFirstGroup()), 40);
        QCOMPARE(f.doc().root()->activeSite()->getSiteName(), std::string("North"));
        QVERIFY(f.doc().isModified());
    }

    void aCancelledSiteDialogChangesNothing()
    {
        ProjectFixture f;
        f.select(f.doc().root());
        f.doc().setModifiedFlag(false);
        whenModal([](QWidget* modal) {
            QLineEdit& name = qobject_cast<NewSiteDlg*>(modal)->nameBox();
            typeInto(name, "Gone");
            // To the field typed into: a loaded machine may not have activated the window yet,
            // and then no widget has the application's focus.
            QTest::keyClick(&name, Qt::Key_Escape);
        });
        QVERIFY(f.pane().runCommand(Command::insertSite));
        whenModal([](QWidget* modal) {
            typeInto(qobject_cast<NewSiteDlg*>(modal)->channelBox(), "8");
            static_cast<QDialog*>(modal)->reject();
        });
        QVERIFY(f.pane().runCommand(Command::nodeEdit));
        QCOMPARE(f.doc().root()->sites().size(), size_t{1});
        QCOMPARE(int(f.doc().root()->activeSite()->getSiteChannel()), 5);
        QVERIFY(!f.doc().isModified());
    }

    void theRootsEditChangesTheActiveSiteAndItsGateways()
    {
        ProjectFixture f;
        f.select(f.doc().root());
        f.doc().setModifiedFlag(false);
        QVERIFY(f.enabled(Command::nodeEdit));
        QString title;
        whenModal([&title](QWidget* modal) {
            title = modal->windowTitle();
            fill(*qobject_cast<NewSiteDlg*>(modal), "channel=8");
        });
        QVERIFY(f.pane().runCommand(Command::nodeEdit));
        QCOMPARE(title, QString("Edit Site"));
        QCOMPARE(int(f.doc().root()->activeSite()->getSiteChannel()), 8);
        QCOMPARE(int(f.g1->getChannel()), 8);
        QCOMPARE(int(f.g2->getChannel()), 8);
        QVERIFY(f.doc().isModified());
    }

    void devicePropertiesEditTheSelectedSite()
    {
        ProjectFixture f;
        Site other = makeSite("South", {band868, 2, 100, 100, 0});
        f.doc().insertSite(other);
        f.doc().setModifiedFlag(false);
        views::TarnView& view = f.frame.tarnView();
        view.nodeSelected(f.doc().root(), nullptr);
        view.setCurrentIndex(views::TarnView::deviceTab);
        auto& device = view.list(views::TarnView::deviceTab);
        device.selectRows({4}); // South
        QCOMPARE(view.commandEnabled(Command::siteProperties), std::optional<bool>(true));
        whenModal([](QWidget* modal) {
            fill(*qobject_cast<NewSiteDlg*>(modal), "name=Harbour group=120");
        });
        QVERIFY(view.runCommand(Command::siteProperties));
        const Site& south = *f.doc().root()->sites().at(1);
        QCOMPARE(south.getSiteName(), std::string("Harbour"));
        QCOMPARE(int(south.getFirstGroup()), 120);
        QCOMPARE(rowTexts(device, 4).front(), QString("Harbour"));
        // Not the active site: the gateways keep North's channel.
        QCOMPARE(int(f.g1->getChannel()), 5);
        QVERIFY(f.doc().isModified());
    }
};

QTEST_MAIN(SiteDialogTest)
#include "SiteDialogTest.moc"
