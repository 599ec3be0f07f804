#include "controls/ClampSpinBox.h"

#include <algorithm>

namespace quillan::controls {

namespace {

// Enough for any int, few enough that the number cannot overflow what holds it.
constexpr int kMaxDigits = 10;

bool isNumberText(const QString& text, bool allowMinus)
{
    const int start = allowMinus && text.startsWith(u'-') ? 1 : 0;
    if (text.size() - start > kMaxDigits) {
        return false;
    }
    return std::all_of(text.begin() + start, text.end(),
                       [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

ClampSpinBox::ClampSpinBox(QWidget* parent) : QSpinBox(parent)
{
    setCorrectionMode(CorrectToPreviousValue);
}

QValidator::State ClampSpinBox::validate(QString& text, int& /*pos*/) const
{
    if (!isNumberText(text, minimum() < 0)) {
        return QValidator::Invalid;
    }
    bool isNumber = false;
    const long long number = text.toLongLong(&isNumber);
    if (!isNumber) {
        return QValidator::Intermediate; // empty, or a lone minus sign
    }
    return number >= minimum() && number <= maximum() ? QValidator::Acceptable
                                                      : QValidator::Intermediate;
}

void ClampSpinBox::fixup(QString& text) const
{
    bool isNumber = false;
    const long long number = text.toLongLong(&isNumber);
    if (isNumber) {
        text = QString::number(std::clamp<long long>(number, minimum(), maximum()));
    }
}

} // namespace quillan::controls
