#include "gateway/ui/DeviceCompareDlg.h"

#include "gateway/ui/ComparisonModel.h"
#include "model/Text.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::gateway::ui {

DeviceCompareDlg::DeviceCompareDlg(const std::string& gatewayName, std::vector<ComparisonRow> rows,
                                   QWidget* parent)
    : QDialog(parent)
{
    const QString name = QString::fromStdString(cp1252ToUtf8(gatewayName));
    setWindowTitle(QStringLiteral("Compare - %1").arg(name));
    const size_t count = rows.size();
    m_model = new ComparisonModel(std::move(rows), this);

    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    if (count == 0) {
        m_summary->setText("The device holds the project's configuration.");
    } else {
        m_summary->setText(
            QStringLiteral("The device differs from the project's configuration of %1 in %2 %3. "
                           "Update Device writes the project's configuration.")
                .arg(name)
                .arg(count)
                .arg(count == 1 ? "place" : "places"));
    }

    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->verticalHeader()->hide();
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(ComparisonModel::blockColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ComparisonModel::placeColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ComparisonModel::deviceColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(ComparisonModel::projectColumn, QHeaderView::Stretch);
    m_table->setVisible(count != 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (QPushButton* close = buttons->button(QDialogButtonBox::Close)) {
        close->setDefault(true);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    if (count != 0) {
        // Room for the rows there are, up to a screenful the user can then enlarge.
        const int rowsShown = static_cast<int>(std::min<size_t>(count, 14));
        const int tableHeight = m_table->horizontalHeader()->sizeHint().height() +
                                rowsShown * m_table->verticalHeader()->defaultSectionSize() +
                                2 * m_table->frameWidth() + 4;
        resize(900, sizeHint().height() - m_table->sizeHint().height() + tableHeight);
        m_table->setFocus();
    } else {
        setMinimumWidth(360);
    }
}

QString DeviceCompareDlg::summary() const
{
    return m_summary->text();
}

} // namespace quillan::gateway::ui
