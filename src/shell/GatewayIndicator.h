#pragma once

#include <QObject>
#include <string>

class QLabel;
class QStatusBar;

namespace quillan::shell {

// The status bar's pane that says whether a gateway is attached and on which port, so its
// presence is visible for as long as it lasts, not only in the Debug tab's passing lines.
class GatewayIndicator final : public QObject {
    Q_OBJECT
public:
    // Adds the pane to the right end of the status bar, before whatever is added after it.
    explicit GatewayIndicator(QStatusBar& bar);

    // port is the attached port's name; empty when none is attached.
    void show(const std::string& port);

    [[nodiscard]] QLabel& pane() const { return *m_pane; }
    // What the pane says for a port; "No ZAV Gateway" for none.
    [[nodiscard]] static QString text(const std::string& port);

private:
    QLabel* m_pane = nullptr;
};

} // namespace quillan::shell
