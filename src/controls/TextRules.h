#pragma once

#include <QValidator>

namespace quillan::controls {

// The character rules of the edit controls, as validators over the whole text. A text that
// breaks its rule before the user touches it (a name from an old project file) stays
// editable: QLineEdit only rolls an edit back when the text was valid before it.

// The in-place editor of a spin edit: no ASCII letters and none of the punctuation a number
// never holds; digits, the full stop, signs, spaces and control characters pass.
[[nodiscard]] bool isSpinEditCharacter(char32_t c);

class SpinTextValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Node names: up to 63 characters of codes 33 to 127 that no shell treats specially.
class NodeNameValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Digits, and one decimal point when it is allowed.
class DigitsValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

    [[nodiscard]] bool allowDecimal() const { return m_allowDecimal; }
    void setAllowDecimal(bool allow) { m_allowDecimal = allow; }

private:
    bool m_allowDecimal = false;
};

} // namespace quillan::controls
