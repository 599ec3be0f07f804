#pragma once

#include <QLineEdit>

namespace quillan::controls {

class DigitsValidator;

// A one-line box for unsigned numbers: digits only, and one decimal point when the owner
// allows it.
class VelNumEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit VelNumEdit(QWidget* parent = nullptr);

    [[nodiscard]] bool allowDecimal() const;
    // A decimal point already in the text stays, and the text stays editable.
    void setAllowDecimal(bool allow);

private:
    DigitsValidator* m_validator = nullptr;
};

} // namespace quillan::controls
