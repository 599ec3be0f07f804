#pragma once

#include <QValidator>
#include <optional>

class QLineEdit;

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

// Texts the project file keeps (project, site and point names): every character needs a
// Windows-1252 code. The validator remembers the character it last refused for that, so the
// box can say why (explainRefusals).
class ModelTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const final;

    // The character the last validation refused for want of a Windows-1252 code.
    [[nodiscard]] std::optional<char32_t> refusedCharacter() const { return m_refused; }

protected:
    // The rule of the text's kind, over a text that Windows-1252 can hold.
    [[nodiscard]] virtual State validateCp1252(const QString& input) const;

private:
    mutable std::optional<char32_t> m_refused;
};

// Node names: up to 63 characters of codes 33 or more that no shell treats specially.
class NodeNameValidator final : public ModelTextValidator {
public:
    using ModelTextValidator::ModelTextValidator;

protected:
    [[nodiscard]] State validateCp1252(const QString& input) const override;
};

// A box whose validator is a ModelTextValidator shows, beside itself, why it refused a typed
// or pasted character that a project file cannot hold.
void explainRefusals(QLineEdit& box);
// Gives a box the Windows-1252 rule and its explanation.
void guardModelText(QLineEdit& box);

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
