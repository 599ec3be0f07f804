#include "dialogs/MapImportsDlg.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/Site.h"
#include "shell/CommandActions.h"
#include "shell/Icons.h"
#include "ui/ModalAnswers.h"
#include "ui/ProjectFixture.h"
#include "views/PointListView.h"
#include "views/ProjectTree.h"
#include "views/TarnView.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

using namespace quillan;
using quillan::shell::Command;
using quillan::test::ProjectFixture;

Q_DECLARE_METATYPE(quillan::shell::Command)

namespace {

// "0/1/0": row 0, then row 1 under it, then row 0 under that.
QModelIndex indexAtPath(const QAbstractItemModel& model, const QString& path)
{
    QModelIndex index;
    for (const QString& row : path.split('/')) {
        index = model.index(row.toInt(), 0, index);
    }
    return index;
}

QStringList gatewayOrder(const TarnDoc& doc)
{
    QStringList names;
    for (const auto& node : doc.nodes()) {
        if (node->isGateway()) {
            names << QString::fromStdString(node->getName());
        }
    }
    return names;
}

QStringList moduleOrder(const ZAVGateway& gateway)
{
    QStringList names;
    for (const auto& module : gateway.childModules()) {
        names << QString::fromStdString(module->getName());
    }
    return names;
}

bool isBold(const QModelIndex& index)
{
    return index.data(Qt::FontRole).value<QFont>().bold();
}

} // namespace

class ProjectPaneTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheProjectAsThreeLevels_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("image");
        QTest::addColumn<int>("children");
        QTest::newRow("root") << "0" << "Plant - [North]" << 0 << 2;
        QTest::newRow("first gateway") << "0/0" << "North_GW" << 38 << 1;
        QTest::newRow("its module") << "0/0/0" << "Pump" << 12 << 0;
        QTest::newRow("second gateway") << "0/1" << "South_GW" << 38 << 0;
    }
    void showsTheProjectAsThreeLevels()
    {
        QFETCH(QString, path);
        QFETCH(QString, label);
        QFETCH(int, image);
        QFETCH(int, children);
        ProjectFixture f;
        QCOMPARE(f.model().rowCount(), 1);
        const QModelIndex index = indexAtPath(f.model(), path);
        QVERIFY(index.isValid());
        QCOMPARE(index.data().toString(), label);
        QCOMPARE(index.data(Qt::DecorationRole).value<QPixmap>().toImage(),
                 shell::treeImage(image).toImage());
        QCOMPARE(f.model().rowCount(index), children);
        if (children > 0) {
            QVERIFY(f.tree().isExpanded(index));
        }
    }

    void aProjectWithoutGatewaysIsOneSelectedItem()
    {
        ProjectFixture f;
        f.frame.tarnView().documentReplaced();
        f.doc().newProject({"Plant", QDir::tempPath().toStdString(), band900, 5, 10, {}});
        f.doc().root()->activeSite()->setSiteName("North");
        f.pane().rebuild();
        QCOMPARE(f.model().rowCount(), 1);
        QCOMPARE(f.model().rowCount(f.model().index(0, 0)), 0);
        QCOMPARE(f.model().index(0, 0).data().toString(), QString("Plant - [North]"));
        QCOMPARE(f.pane().selectedNode(), f.doc().root());
    }

    void aClickSelectsAndADoubleClickOpens()
    {
        ProjectFixture f;
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        f.pane().openNode(f.g1);
        const QRect south = f.tree().visualRect(f.indexOf(f.g2));
        QTest::mouseClick(f.tree().viewport(), Qt::LeftButton, {}, south.center());
        QCOMPARE(f.pane().selectedNode(), f.g2);
        QCOMPARE(f.pane().openedNode(), f.g1);
        QVERIFY(isBold(f.indexOf(f.g1)));
        QVERIFY(!isBold(f.indexOf(f.g2)));

        QTest::mouseDClick(f.tree().viewport(), Qt::LeftButton, {}, south.center());
        QCOMPARE(f.pane().openedNode(), f.g2);
        QVERIFY(isBold(f.indexOf(f.g2)));
        QVERIFY(!isBold(f.indexOf(f.g1)));
        QVERIFY(f.tree().isExpanded(f.indexOf(f.g1)));

        // Enter opens too, for the keyboard.
        f.select(f.pump);
        QTest::keyClick(&f.tree(), Qt::Key_Return);
        QCOMPARE(f.pane().openedNode(), f.pump);
    }

    void aRebuildKeepsTheOpenedAndSelectedNodes()
    {
        ProjectFixture f;
        f.pane().openNode(f.g2);
        f.select(f.pump);
        (void)f.doc().insertGateway();
        QCOMPARE(f.model().rowCount(f.model().index(0, 0)), 3);
        QCOMPARE(f.pane().selectedNode(), f.pump);
        QCOMPARE(f.pane().openedNode(), f.g2);
        QVERIFY(isBold(f.indexOf(f.g2)));
    }

    void activatingAnotherSiteRelabelsTheRoot()
    {
        ProjectFixture f;
        Site other;
        other.setSiteName("South");
        f.doc().insertSite(other);
        f.doc().applySite(*f.doc().root()->sites().at(1));
        QCOMPARE(f.model().index(0, 0).data().toString(), QString("Plant - [South]"));
    }

    void commandsFollowTheSelectionAndState_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("enabled");
        using C = Command;
        QTest::newRow("nothing selected: rename") << "" << "" << C::nodeRename << false;
        QTest::newRow("nothing selected: copy") << "" << "" << C::nodeCopy << false;
        QTest::newRow("root: rename") << "" << "root" << C::nodeRename << false;
        QTest::newRow("root: delete") << "" << "root" << C::nodeDelete << false;
        QTest::newRow("root: copy") << "" << "root" << C::nodeCopy << false;
        QTest::newRow("root: insert gateway") << "" << "root" << C::insertGateway << true;
        QTest::newRow("root: insert module") << "" << "root" << C::insertModbusModule << false;
        QTest::newRow("root: insert button") << "" << "root" << C::insertMenu << true;
        QTest::newRow("root: update, attached") << "attached" << "root" << C::nodeUpdateDevice
                                                << false;
        QTest::newRow("gateway with module: delete") << "" << "g1" << C::nodeDelete << false;
        QTest::newRow("gateway with module: rename") << "" << "g1" << C::nodeRename << true;
        QTest::newRow("gateway: insert gateway") << "" << "g1" << C::insertGateway << false;
        QTest::newRow("master port: insert module") << "" << "g1" << C::insertModbusModule
                                                    << true;
        QTest::newRow("no master port: insert module") << "" << "g2" << C::insertModbusModule
                                                       << false;
        QTest::newRow("gateway: insert button") << "" << "g2" << C::insertMenu << true;
        QTest::newRow("empty gateway: delete") << "" << "g2" << C::nodeDelete << true;
        QTest::newRow("module: delete") << "" << "pump" << C::nodeDelete << true;
        QTest::newRow("module: copy") << "" << "pump" << C::nodeCopy << true;
        QTest::newRow("module: update, attached") << "attached" << "pump" << C::nodeUpdateDevice
                                                  << false;
        QTest::newRow("not attached: update") << "" << "g1" << C::nodeUpdateDevice << false;
        QTest::newRow("not attached: connect") << "" << "g1" << C::nodeConnect << false;
        QTest::newRow("not attached: save file") << "" << "g1" << C::nodeSaveFileToGateway
                                                 << true;
        QTest::newRow("attached: update") << "attached" << "g1" << C::nodeUpdateDevice << true;
        QTest::newRow("attached: connect") << "attached" << "g1" << C::nodeConnect << true;
        QTest::newRow("attached, security off: read key") << "attached" << "g1"
                                                          << C::nodeReadSiteKey << false;
        QTest::newRow("attached, security on: read key") << "attached security" << "g1"
                                                         << C::nodeReadSiteKey << true;
        QTest::newRow("connection open: update") << "attached open" << "g1"
                                                 << C::nodeUpdateDevice << false;
        QTest::newRow("connection open: read key") << "attached security open" << "g1"
                                                   << C::nodeReadSiteKey << false;
        QTest::newRow("connection open: save file") << "open" << "g1"
                                                    << C::nodeSaveFileToGateway << false;
        QTest::newRow("second site: delete") << "second site" << "g2" << C::nodeDelete << false;
        QTest::newRow("second site: insert gateway") << "second site" << "root"
                                                     << C::insertGateway << false;
        QTest::newRow("second site: insert module") << "second site" << "g1"
                                                    << C::insertModbusModule << false;
        QTest::newRow("second site: gateway's insert button") << "second site" << "g1"
                                                              << C::insertMenu << false;
        QTest::newRow("second site: root's insert button") << "second site" << "root"
                                                           << C::insertMenu << true;
        QTest::newRow("gateway copied: paste on another") << "copy g1" << "g2" << C::nodePaste
                                                          << true;
        QTest::newRow("gateway copied: paste on itself") << "copy g1" << "g1" << C::nodePaste
                                                         << false;
        QTest::newRow("gateway copied: paste on a module") << "copy g1" << "pump"
                                                           << C::nodePaste << false;
        QTest::newRow("nothing copied: paste") << "" << "g2" << C::nodePaste << false;
        QTest::newRow("import points without selected rows") << "" << "g2" << C::importPoints
                                                             << false;
        QTest::newRow("gateway: edit its properties") << "" << "g1" << C::nodeEdit << true;
        QTest::newRow("root: edit the active site") << "" << "root" << C::nodeEdit << true;
        QTest::newRow("root: insert a site") << "" << "root" << C::insertSite << true;
        QTest::newRow("second site: insert a site") << "second site" << "root" << C::insertSite
                                                    << true;
        QTest::newRow("gateway: no site to insert") << "" << "g1" << C::insertSite << false;
    }
    void commandsFollowTheSelectionAndState()
    {
        QFETCH(QString, setup);
        QFETCH(QString, selected);
        QFETCH(Command, command);
        QFETCH(bool, enabled);
        ProjectFixture f;
        if (setup.contains("attached")) {
            QVERIFY(f.app.attachPort("sim"));
        }
        f.g1->getSite()->setSecurityEnabled(setup.contains("security"));
        if (setup.contains("open")) {
            f.app.setConnectionOpen(true);
        }
        if (setup.contains("copy g1")) {
            f.app.setNodeClipboard(f.g1);
        }
        if (setup.contains("second site")) {
            Site other;
            other.setSiteName("South");
            f.doc().insertSite(other);
            f.doc().applySite(*f.doc().root()->sites().at(1));
        }
        const std::map<QString, const Node*> nodes{
            {"root", f.doc().root()}, {"g1", f.g1}, {"g2", f.g2}, {"pump", f.pump}};
        if (selected.isEmpty()) {
            f.tree().selectionModel()->clear();
        } else {
            f.select(nodes.at(selected));
        }
        QCOMPARE(f.enabled(command), enabled);
        // The shared action the menus and the toolbar show follows the same answer.
        f.frame.actions().refreshEnabled();
        QCOMPARE(f.frame.actions().action(command)->isEnabled(), enabled);
    }

    void theRenameEditorFiltersWhatIsTyped()
    {
        ProjectFixture f;
        f.select(f.g2);
        QVERIFY(f.enabled(Command::nodeRename));
        QVERIFY(f.pane().runCommand(Command::nodeRename));
        auto* editor = f.tree().findChild<QLineEdit*>("nodeNameEditor");
        QVERIFY(editor != nullptr);
        QCOMPARE(editor->text(), QString("South_GW"));
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, "Tank 7:B/x.y~z");
        QCOMPARE(editor->text(), QString("Tank7Bxyz"));
        QTest::keyClick(editor, Qt::Key_Backspace);
        QCOMPARE(editor->text(), QString("Tank7Bxy"));
        QTest::keyClicks(editor, QString(70, 'a'));
        QCOMPARE(editor->text().size(), 63);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!f.model().isRenaming());
        QCOMPARE(f.g2->getName(), "Tank7Bxy" + std::string(55, 'a'));
        QCOMPARE(f.indexOf(f.g2).data().toString(), QString::fromStdString(f.g2->getName()));
        // The edit was for that one rename only.
        QVERIFY(!(f.model().flags(f.indexOf(f.g2)) & Qt::ItemIsEditable));
    }

    void endingARenameEmptyOrWithEscapeKeepsTheName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("endKey");
        QTest::addColumn<QString>("name");
        QTest::newRow("empty, Enter") << "" << int(Qt::Key_Return) << "South_GW";
        QTest::newRow("text, Escape") << "Silo" << int(Qt::Key_Escape) << "South_GW";
        QTest::newRow("text, Enter") << "Silo" << int(Qt::Key_Return) << "Silo";
    }
    void endingARenameEmptyOrWithEscapeKeepsTheName()
    {
        QFETCH(QString, typed);
        QFETCH(int, endKey);
        QFETCH(QString, name);
        ProjectFixture f;
        f.select(f.g2);
        QVERIFY(f.pane().runCommand(Command::nodeRename));
        auto* editor = f.tree().findChild<QLineEdit*>("nodeNameEditor");
        QVERIFY(editor != nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key(endKey));
        QTRY_VERIFY(!f.model().isRenaming());
        QCOMPARE(QString::fromStdString(f.g2->getName()), name);
        QCOMPARE(f.indexOf(f.g2).data().toString(), name);
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("No") << int(QMessageBox::No) << false;
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false;
        // Enter takes the default button, which must not be the one that deletes.
        QTest::newRow("Enter") << int(QMessageBox::NoButton) << false;
    }
    void deleteAsksFirst()
    {
        QFETCH(int, button);
        QFETCH(bool, deleted);
        ProjectFixture f;
        f.app.setNodeClipboard(f.g2);
        f.select(f.g2);
        QVERIFY(f.enabled(Command::nodeDelete));
        const auto box = button == QMessageBox::NoButton
                             ? test::enterOnNextBox()
                             : test::answerNextBox(QMessageBox::StandardButton(button));
        QVERIFY(f.pane().runCommand(Command::nodeDelete));
        QVERIFY(box->shown);
        QCOMPARE(box->title, QString("Delete South_GW"));
        QCOMPARE(box->text,
                 QString("Are you sure that you want to permanently delete the selected node?"));
        if (!deleted) {
            QCOMPARE(gatewayOrder(f.doc()), QStringList({"North_GW", "South_GW"}));
            QCOMPARE(f.pane().selectedNode(), f.g2);
            QCOMPARE(f.app.nodeClipboard(), f.g2);
            return;
        }
        QCOMPARE(gatewayOrder(f.doc()), QStringList({"North_GW"}));
        QCOMPARE(f.model().rowCount(f.model().index(0, 0)), 1);
        // The item before it takes the selection; the copied node went with it.
        QCOMPARE(f.pane().selectedNode(), f.g1);
        QCOMPARE(f.app.nodeClipboard(), nullptr);
        QVERIFY(!f.enabled(Command::nodePaste));
    }

    void deletingAModuleLetsItsGatewayGo()
    {
        ProjectFixture f;
        f.pane().openNode(f.pump);
        f.select(f.pump);
        (void)test::answerNextBox(QMessageBox::Yes);
        QVERIFY(f.pane().runCommand(Command::nodeDelete));
        QVERIFY(f.g1->childModules().empty());
        QCOMPARE(f.pane().openedNode(), nullptr);
        QCOMPARE(f.pane().selectedNode(), f.doc().root());
        f.select(f.g1);
        QVERIFY(f.enabled(Command::nodeDelete));
    }

    void dropsReorderOnlyOntoValidTargets_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("gateways");
        QTest::addColumn<QStringList>("northModules");
        const QStringList gateways{"North_GW", "South_GW"};
        const QStringList modules{"Pump", "Fan"};
        QTest::newRow("second gateway onto the root")
            << "South_GW" << "root" << true << QStringList{"South_GW", "North_GW"} << modules;
        QTest::newRow("first gateway onto the second")
            << "North_GW" << "South_GW" << true << QStringList{"South_GW", "North_GW"}
            << modules;
        QTest::newRow("gateway onto a module") << "South_GW" << "Pump" << false << gateways
                                               << modules;
        QTest::newRow("module onto its gateway")
            << "Fan" << "North_GW" << true << gateways << QStringList{"Fan", "Pump"};
        QTest::newRow("module onto a sibling")
            << "Pump" << "Fan" << true << gateways << QStringList{"Fan", "Pump"};
        QTest::newRow("module onto another gateway") << "Pump" << "South_GW" << false
                                                     << gateways << modules;
        QTest::newRow("module onto another gateway's module") << "Pump" << "Valve" << false
                                                              << gateways << modules;
        QTest::newRow("module onto the root") << "Pump" << "root" << false << gateways
                                              << modules;
    }
    void dropsReorderOnlyOntoValidTargets()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(bool, accepted);
        QFETCH(QStringList, gateways);
        QFETCH(QStringList, northModules);
        ProjectFixture f;
        MBModule* fan = f.addModule(*f.g1, "Fan");
        f.g2->port(2)->protocol = protocolModbusMaster;
        MBModule* valve = f.addModule(*f.g2, "Valve");
        f.frame.resize(400, 600);
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        const std::map<QString, Node*> nodes{{"root", f.doc().root()}, {"North_GW", f.g1},
                                             {"South_GW", f.g2},       {"Pump", f.pump},
                                             {"Fan", fan},             {"Valve", valve}};
        Node* draggedNode = nodes.at(dragged);
        std::unique_ptr<QMimeData> data(f.model().mimeData({f.indexOf(draggedNode)}));
        QVERIFY(data != nullptr);
        const QModelIndex targetIndex = f.indexOf(nodes.at(target));
        const QPoint at = f.tree().visualRect(targetIndex).center();
        QWidget* viewport = f.tree().viewport();

        QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        QCOMPARE(move.isAccepted(), accepted);
        auto& tree = static_cast<views::ProjectTree&>(f.tree());
        QCOMPARE(tree.dropTarget() == targetIndex, accepted);
        QCOMPARE(tree.dropTarget().isValid(), accepted);

        QDropEvent drop(QPointF(at), Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        QCOMPARE(gatewayOrder(f.doc()), gateways);
        QCOMPARE(moduleOrder(*f.g1), northModules);
        // The tree shows the new order, and the dragged node stays selected.
        QCOMPARE(f.model().index(0, 0, f.model().index(0, 0)).data().toString(), gateways[0]);
        QCOMPARE(f.model().index(0, 0, f.indexOf(f.g1)).data().toString(), northModules[0]);
        if (accepted) {
            QCOMPARE(f.pane().selectedNode(), draggedNode);
        }
    }

    // Any key ends a drag: the drop that follows changes nothing, and the keys reach the tree
    // again afterwards.
    void aKeyDuringADragCancelsIt_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("a letter") << int(Qt::Key_A);
        QTest::newRow("Delete") << int(Qt::Key_Delete);
        QTest::newRow("Shift") << int(Qt::Key_Shift);
        QTest::newRow("Return") << int(Qt::Key_Return);
    }
    void aKeyDuringADragCancelsIt()
    {
        QFETCH(int, key);
        ProjectFixture f;
        f.frame.resize(400, 600);
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        auto& tree = static_cast<views::ProjectTree&>(f.tree());
        QWidget* viewport = tree.viewport();
        std::unique_ptr<QMimeData> data(f.model().mimeData({f.indexOf(f.g2)}));
        QVERIFY(data != nullptr);
        const QModelIndex root = f.indexOf(f.doc().root());
        const QPoint at = tree.visualRect(root).center();
        f.select(f.g2);
        const bool modified = f.doc().isModified();

        QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        QVERIFY(move.isAccepted());
        QCOMPARE(tree.dropTarget(), root);

        QTest::keyClick(viewport, Qt::Key(key));
        QVERIFY(!tree.dropTarget().isValid());
        QDragMoveEvent moveAgain(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &moveAgain);
        QVERIFY(!moveAgain.isAccepted());
        QDropEvent drop(QPointF(at), Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(!drop.isAccepted());
        QCOMPARE(gatewayOrder(f.doc()), QStringList({"North_GW", "South_GW"}));
        QCOMPARE(f.model().index(0, 0, root).data().toString(), QString("North_GW"));
        QCOMPARE(f.doc().isModified(), modified);
        QCOMPARE(f.pane().selectedNode(), f.g2);

        // The next drag goes through, and a key after it is the tree's again.
        QDragEnterEvent enterAgain(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enterAgain);
        QDragMoveEvent moveThere(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &moveThere);
        QDropEvent dropThere(QPointF(at), Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &dropThere);
        QCOMPARE(gatewayOrder(f.doc()), QStringList({"South_GW", "North_GW"}));
        tree.setFocus();
        f.select(f.doc().root());
        QTest::keyClick(&tree, Qt::Key_Down);
        QCOMPARE(f.pane().selectedNode(), f.g2);
    }

    // The main menu names the tree's "Import Points" Edit > Import > "Points": the same
    // command, enabled alike, opening the same dialog.
    void theEditMenuImportsPointsAsPoints()
    {
        ProjectFixture f;
        QMenu* import = nullptr;
        for (QMenu* menu : f.frame.menuBar()->findChildren<QMenu*>()) {
            if (menu->title() == "Import") {
                import = menu;
            }
        }
        QVERIFY(import != nullptr);
        QStringList texts;
        for (QAction* action : import->actions()) {
            texts << action->text();
        }
        QCOMPARE(texts, QStringList({"Scaling...", "Points"}));
        QAction* points = import->actions().at(1);

        f.frame.openNode(*f.g1, views::TarnView::importsTab);
        f.select(f.g2);
        Q_EMIT import->aboutToShow();
        QVERIFY(!points->isEnabled());
        f.frame.tarnView().list(views::TarnView::importsTab).selectRows({0});
        Q_EMIT import->aboutToShow();
        QVERIFY(points->isEnabled());
        QVERIFY(f.enabled(Command::importPoints));

        bool asked = false;
        test::answerNextDialog<dialogs::MapImportsDlg>([&](dialogs::MapImportsDlg& dialog) {
            asked = true;
            dialog.reject();
        });
        points->trigger();
        QVERIFY(asked);
    }

    void aRightClickSelectsBeforeTheMenuShows()
    {
        ProjectFixture f;
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        f.select(f.g1);
        const QPoint at = f.tree().visualRect(f.indexOf(f.g2)).center();
        const auto menu = test::closeNextMenu();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, f.tree().viewport()->mapToGlobal(at));
        QApplication::sendEvent(f.tree().viewport(), &event);
        QVERIFY(menu->shown);
        QCOMPARE(f.pane().selectedNode(), f.g2);
        QCOMPARE(menu->all,
                 QStringList({"Edit...", "Copy", "Paste", "&Insert", "Update Device", "Connect...",
                              "Read Site Security Key", "Save File to Gateway", "Import Points",
                              "Re&name", "Delete"}));
        QCOMPARE(menu->enabled,
                 QStringList({"Edit...", "Copy", "&Insert", "Save File to Gateway", "Re&name",
                              "Delete"}));
    }

    void insertingAddsToTheTree()
    {
        ProjectFixture f;
        f.select(f.doc().root());
        f.frame.routeCommand(Command::insertGateway);
        QCOMPARE(f.model().rowCount(f.model().index(0, 0)), 3);
        f.select(f.g1);
        test::answerNextDialog<gateway::ui::NodePropertySheet>(
            [](gateway::ui::NodePropertySheet& sheet) { sheet.okButton().click(); });
        f.frame.routeCommand(Command::insertModbusModule);
        QCOMPARE(f.model().rowCount(f.indexOf(f.g1)), 2);
        QVERIFY(f.doc().isModified());
    }

    void copyAndPasteCarryAGatewaysProperties()
    {
        ProjectFixture f;
        f.g1->setRetries(7);
        f.select(f.g1);
        f.frame.routeCommand(Command::nodeCopy);
        QCOMPARE(f.app.nodeClipboard(), f.g1);
        f.select(f.g2);
        f.frame.routeCommand(Command::nodePaste);
        QCOMPARE(f.g2->getRetries(), uint16_t(7));
    }
};

QTEST_MAIN(ProjectPaneTest)
#include "ProjectPaneTest.moc"
