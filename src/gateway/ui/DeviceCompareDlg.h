#pragma once

#include "gateway/ComparisonRows.h"

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QTableView;

namespace quillan::gateway::ui {

class ComparisonModel;

// Compare: where the configuration read from a device differs from the project's compile of
// its gateway, block by block and record by record, or that it does not.
class DeviceCompareDlg final : public QDialog {
    Q_OBJECT
public:
    DeviceCompareDlg(const std::string& gatewayName, std::vector<ComparisonRow> rows,
                     QWidget* parent = nullptr);

    [[nodiscard]] QString summary() const;
    [[nodiscard]] ComparisonModel& model() const { return *m_model; }
    [[nodiscard]] QTableView& table() const { return *m_table; }

private:
    ComparisonModel* m_model = nullptr;
    QLabel* m_summary = nullptr;
    QTableView* m_table = nullptr;
};

} // namespace quillan::gateway::ui
