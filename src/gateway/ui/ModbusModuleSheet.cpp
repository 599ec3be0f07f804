#include "controls/ClampSpinBox.h"
#include "gateway/ui/IoPortPage.h"
#include "gateway/ui/MBInputPage.h"
#include "gateway/ui/MBOutputPage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/MBModule.h"
#include "model/Notifications.h"
#include "model/Text.h"
#include "shell/TarnApp.h"

#include <QDialogButtonBox>
#include <QPushButton>

namespace quillan::gateway::ui {

int showModbusModuleProperties(shell::TarnApp& app, MBModule& module, QWidget* parent)
{
    ModbusModuleSettings settings = module.openingSettings();
    const Node* gateway = module.getParent();

    NodePropertySheet sheet(QString::fromStdString(cp1252ToUtf8(strprintf(
                                "%s - ( Generic Modbus Module )", module.getName().c_str()))),
                            parent);
    auto* ioPort = new IoPortPage(settings, gateway != nullptr ? gateway->getPort2() : nullptr);
    sheet.addPage(ioPort);
    sheet.addPage(new MBInputPage(settings));
    auto* outputs = new MBOutputPage(module, settings);
    sheet.addPage(outputs);
    // The pages joined the sheet after its buttons; Tab is to reach their fields first. The
    // button box stands in its default button's place in the chain, which would take Tab from
    // the tab bar straight to OK.
    QWidget* lastField = sheet.previousInFocusChain();
    while (lastField != &sheet && (lastField->focusPolicy() & Qt::TabFocus) == 0) {
        lastField = lastField->previousInFocusChain();
    }
    QWidget::setTabOrder(lastField, &sheet.okButton());
    QWidget::setTabOrder(&sheet.okButton(), &sheet.cancelButton());
    if (auto* box = sheet.findChild<QDialogButtonBox*>()) {
        box->setFocusProxy(nullptr);
    }
    ioPort->slaveIdBox().setFocus();

    // Room for a dozen point names before the lists scroll.
    sheet.resize(sheet.sizeHint().expandedTo(QSize(500, 470)));
    const int result = sheet.run();
    if (result == NodePropertySheet::resultOk) {
        module.applyProperties(std::move(settings));
    } else if (outputs->changedModuleOutputs()) {
        // Those changes were made on the module's outputs themselves and stay.
        app.document().setModified();
        app.notifications().post(MSG_REFRESH_SELECTION);
    }
    return result;
}

} // namespace quillan::gateway::ui
