#pragma once

// What the tests of the tabbed view and the output window share: an application on settings
// in memory, a project built through the document's own commands, and a hand for the modal
// dialogs a command opens.

#include "gateway/ModbusModuleRules.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/MBModule.h"
#include "settings/MemorySettingsStore.h"
#include "shell/TarnApp.h"
#include "support/ProjectBuilding.h"
#include "views/ListRowModel.h"
#include "views/PointListView.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

namespace quillan::test {

struct TestApp {
    MemorySettingsStore store;
    shell::TarnApp app{store, {}};
    TarnDoc& doc = app.document();
};

// Project "Plant": gateways "Gateway" (g1) and "Gateway_2" (g2). g1 has the Modbus module
// "module" on its RS485 port with the inputs Flow, Level and Temp and three outputs.
struct PlantProject {
    ZAVGateway* g1 = nullptr;
    ZAVGateway* g2 = nullptr;
    Node* module = nullptr;

    explicit PlantProject(TarnDoc& doc, int gateways = 2)
    {
        doc.newProject(plantValues("/tmp/quillan-views/"));
        g1 = dynamic_cast<ZAVGateway*>(doc.nodes().at(1).get());
        for (int i = 1; i < gateways; ++i) {
            ZAVGateway* added = doc.insertGateway();
            if (g2 == nullptr) {
                g2 = added;
            }
        }
        ModbusModuleSettings s = MBModule::newModuleSettings(*g1);
        s.port = 2;
        s.slaveId = 5;
        s.firstRegister = 100;
        s.registerCount = 3;
        s.inputNames = {"Flow", "Level", "Temp"};
        for (uint16_t reg : {200, 201, 202}) {
            addModbusOutput(s, reg);
        }
        (void)doc.insertModbusModule(*g1, std::move(s));
        module = g1->childModules().back().get();
        doc.setModifiedFlag(false);
    }
};

// The display texts of one row of a list.
inline QStringList rowTexts(const views::PointListView& view, int row)
{
    QStringList texts;
    const auto& model = view.rows();
    for (int c = 0; c < model.columnCount(); ++c) {
        texts << model.index(row, c).data().toString();
    }
    return texts;
}

inline int findRow(const views::PointListView& view, int column, const QString& text)
{
    for (int row = 0; row < view.rows().rowCount(); ++row) {
        if (view.rows().index(row, column).data().toString() == text) {
            return row;
        }
    }
    return -1;
}

// Runs act on the next modal window once it is showing; a dialog's exec() then returns when
// act closes it.
inline void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

// Closes, with OK, every message box that opens while it lives and keeps their captions.
class MessageBoxCloser {
public:
    MessageBoxCloser()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                box != nullptr && box->isVisible()) {
                captions << box->windowTitle();
                box->accept();
            }
        });
        m_timer.start();
    }

    QStringList captions;

private:
    QTimer m_timer;
};

} // namespace quillan::test
