#pragma once

#include "gateway/IoModuleRules.h"
#include "gateway/ui/IoBusModels.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTimeEdit;

namespace quillan {
class ProjectSettings;
class ZAVGateway;
class ZAVModule;
} // namespace quillan

namespace quillan::gateway::ui {

// The "IO Module" dialog: type, address, polling interval and engineering units or imports
// table groups of one I/O module, and for a new module the Modbus tables its inputs go into.
// OK makes the new module (taking the gateway's next module id) or updates the copy's points;
// it is offered only while a type is chosen and no other of the page's modules has the address.
class ZAVModuleDlg final : public QDialog {
    Q_OBJECT
public:
    // copy: the page's module to edit, or none for a new one; modules: all of the page's
    // modules, for the address check. The "Map To" boxes read and write the settings'
    // "pasteOptions".
    ZAVModuleDlg(ZAVGateway& gateway, ZAVModule* copy, const IoModuleCopies& modules,
                 ProjectSettings& settings, QWidget* parent = nullptr);
    ~ZAVModuleDlg() override;

    [[nodiscard]] const IoModuleChoices& choices() const { return m_choices; }
    // Bit 0 integer table, bit 1 floating-point table.
    [[nodiscard]] uint32_t mapOptions() const { return m_choices.mapOptions; }
    // The module OK made; none when editing or before OK.
    [[nodiscard]] std::unique_ptr<ZAVModule> takeNewModule();

    [[nodiscard]] QComboBox& typeList() const { return *m_type; }
    [[nodiscard]] QSpinBox& moduleIdBox() const { return *m_moduleId; }
    [[nodiscard]] QLineEdit& nameBox() const { return *m_name; }
    [[nodiscard]] QTimeEdit& intervalBox() const { return *m_interval; }
    [[nodiscard]] QGroupBox& unitsGroup() const { return *m_unitsGroup; }
    [[nodiscard]] QComboBox& inputUnitsList() const { return *m_inputUnits; }
    [[nodiscard]] QComboBox& output1List() const { return *m_output1; }
    [[nodiscard]] QComboBox& output2List() const { return *m_output2; }
    [[nodiscard]] QCheckBox& inputsBox() const { return *m_inputs; }
    [[nodiscard]] QCheckBox& countsBox() const { return *m_counts; }
    [[nodiscard]] QCheckBox& outputStatusBox() const { return *m_outputStatus; }
    [[nodiscard]] QGroupBox& mapGroup() const { return *m_mapGroup; }
    [[nodiscard]] QCheckBox& integerBox() const { return *m_integer; }
    [[nodiscard]] QCheckBox& floatBox() const { return *m_float; }
    [[nodiscard]] QPushButton& okButton() const { return *m_ok; }

    void accept() override;

private:
    void typeChosen(int index);
    void addressChanged(int address);
    // The group box takes the form of the kind, showing the kept choices.
    void showKindForm();
    void groupToggled();
    void mapToggled();
    void checkOk();

    ZAVGateway& m_gateway;
    ZAVModule* m_copy;
    const IoModuleCopies& m_modules;
    ProjectSettings& m_settings;
    IoModuleChoices m_choices;
    // An existing module's choices as read from its points, before the fields had them.
    IoModuleChoices m_opened;
    std::unique_ptr<ZAVModule> m_made;

    QComboBox* m_type = nullptr;
    QSpinBox* m_moduleId = nullptr;
    QLineEdit* m_name = nullptr;
    QTimeEdit* m_interval = nullptr;
    QGroupBox* m_unitsGroup = nullptr;
    QStackedWidget* m_forms = nullptr;
    QComboBox* m_inputUnits = nullptr;
    QComboBox* m_output1 = nullptr;
    QComboBox* m_output2 = nullptr;
    QCheckBox* m_inputs = nullptr;
    QCheckBox* m_counts = nullptr;
    QCheckBox* m_outputStatus = nullptr;
    QGroupBox* m_mapGroup = nullptr;
    QCheckBox* m_integer = nullptr;
    QCheckBox* m_float = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace quillan::gateway::ui
