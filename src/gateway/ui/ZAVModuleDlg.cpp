#include "gateway/ui/ZAVModuleDlg.h"

#include "dialogs/TabChain.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"
#include "model/ZAVModule.h"
#include "settings/ProjectSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::gateway::ui {

namespace {

enum Form { analogForm = 0, digitalForm = 1, noForm = 2 };

constexpr uint32_t kLastSecondOfDay = 86399;

// The module address, counted in hexadecimal with the arrows only.
class HexUpDown final : public QSpinBox {
public:
    explicit HexUpDown(QWidget* parent) : QSpinBox(parent)
    {
        setRange(0, 15);
        setDisplayIntegerBase(16);
        lineEdit()->setReadOnly(true);
    }

protected:
    [[nodiscard]] QString textFromValue(int value) const override
    {
        return QString::number(value, 16).toUpper();
    }
};

QTime timeOf(uint32_t seconds)
{
    return QTime(static_cast<int>(seconds / 3600), static_cast<int>(seconds % 3600 / 60),
                 static_cast<int>(seconds % 60));
}

} // namespace

ZAVModuleDlg::ZAVModuleDlg(ZAVGateway& gateway, ZAVModule* copy, const IoModuleCopies& modules,
                           ProjectSettings& settings, QWidget* parent)
    : QDialog(parent), m_gateway(gateway), m_copy(copy), m_modules(modules), m_settings(settings)
{
    setWindowTitle("IO Module");

    std::vector<const ZAVModule*> others;
    for (const auto& module : modules) {
        others.push_back(module.get());
    }
    const uint8_t freeAddress = firstFreeIoAddress(others);
    if (copy != nullptr) {
        m_choices = ioModuleChoicesOf(*copy, freeAddress);
        m_choices.mapOptions = copy->getMapOptions();
        m_opened = m_choices;
    } else {
        m_choices.address = freeAddress;
        m_choices.mapOptions = static_cast<uint32_t>(settings.pasteOptions()) & 3u;
    }

    m_type = new QComboBox(this);
    m_type->addItems({"0-10V I/O Module", "4-20mA I/O Module", "Digital I/O Module"});
    m_type->setPlaceholderText("Choose a type");
    m_type->setCurrentIndex(m_choices.kind <= ioKindDm ? m_choices.kind : -1);
    m_type->setEnabled(copy == nullptr);

    m_moduleId = new HexUpDown(this);
    m_moduleId->setValue(m_choices.address);
    // What the box shows is what OK writes, also for an address out of range in a file.
    m_choices.address = static_cast<uint8_t>(m_moduleId->value());

    m_name = new QLineEdit(this);
    m_name->setEnabled(false);

    m_interval = new QTimeEdit(this);
    m_interval->setDisplayFormat("HH:mm:ss");
    m_interval->setTimeRange(QTime(0, 0, 1), QTime(23, 59, 59));
    m_choices.interval = std::clamp<uint32_t>(m_choices.interval, 1, kLastSecondOfDay);
    m_interval->setTime(timeOf(m_choices.interval));

    auto* top = new QFormLayout;
    top->addRow("&Type:", m_type);
    top->addRow("Module I&D:", m_moduleId);
    top->addRow("Name:", m_name);
    top->addRow("Inter&val (In):", m_interval);

    // The group box's forms: units lists, imports table groups, nothing while no type is
    // chosen. The stack keeps the dialog the same size whichever shows.
    m_unitsGroup = new QGroupBox(this);
    m_forms = new QStackedWidget(m_unitsGroup);
    auto* analog = new QWidget(m_forms);
    m_inputUnits = new QComboBox(analog);
    m_output1 = new QComboBox(analog);
    m_output2 = new QComboBox(analog);
    auto* analogLayout = new QFormLayout(analog);
    analogLayout->setContentsMargins(0, 0, 0, 0);
    analogLayout->addRow("&Inputs 1 && 2:", m_inputUnits);
    analogLayout->addRow("&Output 1:", m_output1);
    analogLayout->addRow("O&utput 2:", m_output2);
    auto* digital = new QWidget(m_forms);
    m_inputs = new QCheckBox("I&nputs", digital);
    m_counts = new QCheckBox("&Counts", digital);
    m_outputStatus = new QCheckBox("Output &Status", digital);
    auto* digitalLayout = new QVBoxLayout(digital);
    digitalLayout->setContentsMargins(0, 0, 0, 0);
    digitalLayout->addWidget(m_inputs);
    digitalLayout->addWidget(m_counts);
    digitalLayout->addWidget(m_outputStatus);
    digitalLayout->addStretch();
    m_forms->insertWidget(analogForm, analog);
    m_forms->insertWidget(digitalForm, digital);
    m_forms->insertWidget(noForm, new QWidget(m_forms));
    auto* unitsLayout = new QVBoxLayout(m_unitsGroup);
    unitsLayout->addWidget(m_forms);

    m_mapGroup = new QGroupBox("Map To", this);
    m_integer = new QCheckBox("Inte&ger Table", m_mapGroup);
    m_float = new QCheckBox("&Floating Point Table", m_mapGroup);
    m_integer->setChecked((m_choices.mapOptions & 1u) != 0);
    m_float->setChecked((m_choices.mapOptions & 2u) != 0);
    auto* mapLayout = new QHBoxLayout(m_mapGroup);
    mapLayout->addWidget(m_integer);
    mapLayout->addWidget(m_float);
    mapLayout->addStretch();
    // Map options apply only when a module first joins the gateway.
    m_mapGroup->setVisible(copy == nullptr);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ZAVModuleDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_unitsGroup);
    layout->addWidget(m_mapGroup);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    addressChanged(m_choices.address);
    showKindForm();
    checkOk();

    connect(m_type, &QComboBox::currentIndexChanged, this, &ZAVModuleDlg::typeChosen);
    connect(m_moduleId, &QSpinBox::valueChanged, this, &ZAVModuleDlg::addressChanged);
    connect(m_interval, &QTimeEdit::timeChanged, this, [this](QTime time) {
        m_choices.interval =
            static_cast<uint32_t>(time.hour() * 3600 + time.minute() * 60 + time.second());
    });
    const auto keepChoice = [this](QComboBox* list, uint8_t& choice) {
        connect(list, &QComboBox::currentIndexChanged, this, [&choice](int index) {
            if (index >= 0) {
                choice = static_cast<uint8_t>(index);
            }
        });
    };
    keepChoice(m_inputUnits, m_choices.inputUnits);
    keepChoice(m_output1, m_choices.output1Units);
    keepChoice(m_output2, m_choices.output2Units);
    for (QCheckBox* box : {m_inputs, m_counts, m_outputStatus}) {
        connect(box, &QCheckBox::toggled, this, &ZAVModuleDlg::groupToggled);
    }
    connect(m_integer, &QCheckBox::toggled, this, &ZAVModuleDlg::mapToggled);
    connect(m_float, &QCheckBox::toggled, this, &ZAVModuleDlg::mapToggled);

    // The button box hands its focus to OK: it goes right before OK, or Tab from Cancel would
    // come round to it, and so to OK, instead of the first field.
    dialogs::setTabChain({m_type, m_moduleId, m_interval, m_inputUnits, m_output1, m_output2,
                          m_inputs, m_counts, m_outputStatus, m_integer, m_float, buttons, m_ok,
                          buttons->button(QDialogButtonBox::Cancel)});
    if (copy == nullptr) {
        m_type->setFocus();
    } else {
        m_moduleId->setFocus();
    }
}

ZAVModuleDlg::~ZAVModuleDlg() = default;

std::unique_ptr<ZAVModule> ZAVModuleDlg::takeNewModule()
{
    return std::move(m_made);
}

void ZAVModuleDlg::typeChosen(int index)
{
    if (index < 0 || index == m_choices.kind) {
        return;
    }
    m_choices.kind = static_cast<uint8_t>(index);
    showKindForm();
    checkOk();
}

void ZAVModuleDlg::addressChanged(int address)
{
    m_choices.address = static_cast<uint8_t>(address);
    m_name->setText(QString::fromStdString(strprintf("M%X", m_choices.address)));
    checkOk();
}

void ZAVModuleDlg::showKindForm()
{
    const uint8_t kind = m_choices.kind;
    if (kind == ioKindAm1 || kind == ioKindAm2) {
        m_unitsGroup->setTitle("Engineering Units");
        const auto fill = [kind](QComboBox* list, int count, auto text, uint8_t choice) {
            const QSignalBlocker quiet(list);
            list->clear();
            for (int i = 0; i < count; ++i) {
                list->addItem(QString::fromLatin1(text(kind, static_cast<uint8_t>(i))));
            }
            list->setCurrentIndex(choice < count ? choice : 0);
        };
        fill(m_inputUnits, 2, ioInputUnitsText, m_choices.inputUnits);
        fill(m_output1, 4, ioOutputUnitsText, m_choices.output1Units);
        fill(m_output2, 4, ioOutputUnitsText, m_choices.output2Units);
        m_forms->setCurrentIndex(analogForm);
    } else if (kind == ioKindDm) {
        m_unitsGroup->setTitle("Add To Imports Table");
        const std::pair<QCheckBox*, uint8_t> boxes[] = {
            {m_inputs, groupInputs}, {m_counts, groupCounts}, {m_outputStatus, groupOutputStatus}};
        for (const auto& [box, bit] : boxes) {
            const QSignalBlocker quiet(box);
            box->setChecked((m_choices.groups & bit) != 0);
        }
        m_forms->setCurrentIndex(digitalForm);
    } else {
        m_unitsGroup->setTitle(QString());
        m_forms->setCurrentIndex(noForm);
    }
}

void ZAVModuleDlg::groupToggled()
{
    m_choices.groups = static_cast<uint8_t>((m_inputs->isChecked() ? groupInputs : 0) |
                                            (m_counts->isChecked() ? groupCounts : 0) |
                                            (m_outputStatus->isChecked() ? groupOutputStatus : 0));
}

void ZAVModuleDlg::mapToggled()
{
    m_choices.mapOptions = (m_integer->isChecked() ? 1u : 0u) | (m_float->isChecked() ? 2u : 0u);
    // Remembered at once, so a cancelled dialog still keeps the choice.
    m_settings.setPasteOptions(static_cast<int32_t>(m_choices.mapOptions));
}

void ZAVModuleDlg::checkOk()
{
    const bool taken = std::any_of(m_modules.begin(), m_modules.end(), [this](const auto& module) {
        return module && module.get() != m_copy && module->address() == m_choices.address;
    });
    m_ok->setEnabled(m_choices.kind <= ioKindDm && !taken);
}

void ZAVModuleDlg::accept()
{
    if (!m_ok->isEnabled()) {
        return;
    }
    // Unchanged choices leave the points as they are: the points an edit writes are laid out
    // otherwise than those made with the module (the second analog input's register).
    if (m_copy != nullptr && m_choices == m_opened) {
        QDialog::accept();
        return;
    }
    const IoModulePoints points = ioModulePoints(m_choices);
    if (m_copy != nullptr) {
        m_copy->updatePoints(points);
    } else {
        m_made = makeIoModule(m_choices.kind);
        m_made->makePoints(m_gateway, points);
    }
    QDialog::accept();
}

} // namespace quillan::gateway::ui
