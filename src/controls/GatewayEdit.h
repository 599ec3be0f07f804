#pragma once

#include <QLineEdit>

namespace quillan::controls {

// A one-line box for node names: it takes no spaces, control characters or shell-special
// characters, no character outside Windows-1252 (saying why), and no 64th character.
class GatewayEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit GatewayEdit(QWidget* parent = nullptr);
};

} // namespace quillan::controls
