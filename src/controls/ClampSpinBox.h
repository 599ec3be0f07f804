#pragma once

#include <QSpinBox>

namespace quillan::controls {

// An up-down box for a whole number in a range, without wrap-round: it takes digits only (and
// a leading minus sign when the range goes below 0), and a number typed outside the range
// becomes the nearest end of it when the edit ends. An emptied box keeps the value it had.
class ClampSpinBox final : public QSpinBox {
    Q_OBJECT
public:
    explicit ClampSpinBox(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

} // namespace quillan::controls
