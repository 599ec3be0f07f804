#include "dialogs/MapImportsDlg.h"

#include "gateway/ZAVGateway.h"
#include "model/Import.h"
#include "model/Text.h"
#include "settings/ProjectSettings.h"
#include "views/ListRowModel.h"
#include "views/PointListView.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillan::dialogs {

namespace {

std::string moduleOrBase(const Import& point)
{
    const std::string* module = point.getModuleName();
    return module != nullptr ? *module : "Base";
}

} // namespace

std::string importedPointText(const RFImport& point)
{
    const Import* relayed = point.getSource();
    if (relayed != nullptr && relayed->isSharedImport()) {
        return strprintf("%s:%s:%s", nameOf(relayed->getGatewayName()),
                         moduleOrBase(*relayed).c_str(), nameOf(relayed->getPointName()));
    }
    return strprintf("%s:%s", moduleOrBase(point).c_str(), nameOf(point.getPointName()));
}

MapImportsDlg::MapImportsDlg(const std::string& targetName, const std::vector<RFImport*>& points,
                             ProjectSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_choice(settings.pasteOptions() & 3)
{
    setWindowTitle(views::displayText(strprintf("Map Imports to %s's Modbus", targetName.c_str())));

    ListRows rows;
    for (RFImport* point : points) {
        rows.push_back(
            {{nameOf(point->getGatewayName()), importedPointText(*point)}, -1, point, true});
    }
    auto* model = new views::ListRowModel({{"Source", 108}, {"Point", 300}}, false);
    m_list = new views::PointListView(model, this);
    model->setRows(std::move(rows));
    std::vector<int> all(points.size());
    for (size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<int>(i);
    }
    m_list->selectRows(all);
    // The rows stay visibly selected while the check boxes have the focus.
    QPalette palette = m_list->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    m_list->setPalette(palette);
    m_list->setMinimumSize(430, 160);

    auto* importsGroup = new QGroupBox("Imports To Map", this);
    auto* importsLayout = new QVBoxLayout(importsGroup);
    importsLayout->addWidget(m_list);

    auto* mapGroup = new QGroupBox("Map To", this);
    auto* mapLayout = new QHBoxLayout(mapGroup);
    m_integer = new QCheckBox("Integer Table", mapGroup);
    m_float = new QCheckBox("Floating Point Table", mapGroup);
    m_integer->setChecked((m_choice & integerTable) != 0);
    m_float->setChecked((m_choice & floatTable) != 0);
    mapLayout->addWidget(m_integer);
    mapLayout->addWidget(m_float);
    mapLayout->addStretch();
    connect(m_integer, &QCheckBox::toggled, this, &MapImportsDlg::toggled);
    connect(m_float, &QCheckBox::toggled, this, &MapImportsDlg::toggled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(importsGroup, 1);
    layout->addWidget(mapGroup);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

void MapImportsDlg::toggled()
{
    m_choice =
        (m_integer->isChecked() ? integerTable : 0) | (m_float->isChecked() ? floatTable : 0);
    m_settings.setPasteOptions(m_choice);
}

} // namespace quillan::dialogs
