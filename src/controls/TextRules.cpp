#include "controls/TextRules.h"

#include "model/NodeName.h"
#include "model/Text.h"

#include <QLineEdit>
#include <QToolTip>
#include <string_view>

namespace quillan::controls {

bool isSpinEditCharacter(char32_t c)
{
    constexpr std::string_view refused = "[]=\\;',/~!@#$%^&*()_|{}:\"?<>";
    if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z')) {
        return false;
    }
    return c > 127 || refused.find(static_cast<char>(c)) == std::string_view::npos;
}

QValidator::State SpinTextValidator::validate(QString& input, int& /*pos*/) const
{
    for (const QChar c : input) {
        if (!isSpinEditCharacter(c.unicode())) {
            return Invalid;
        }
    }
    return Acceptable;
}

QValidator::State ModelTextValidator::validate(QString& input, int& /*pos*/) const
{
    m_refused.reset();
    for (const char32_t c : input.toUcs4()) {
        if (!cp1252Code(c)) {
            m_refused = c;
            return Invalid;
        }
    }
    return validateCp1252(input);
}

QValidator::State ModelTextValidator::validateCp1252(const QString& /*input*/) const
{
    return Acceptable;
}

QValidator::State NodeNameValidator::validateCp1252(const QString& input) const
{
    if (static_cast<std::size_t>(input.size()) > kMaxNodeNameLength) {
        return Invalid;
    }
    for (const QChar c : input) {
        if (!isNodeNameCharacter(c.unicode())) {
            return Invalid;
        }
    }
    return Acceptable;
}

void explainRefusals(QLineEdit& box)
{
    QObject::connect(&box, &QLineEdit::inputRejected, &box, [&box] {
        const auto* rule = dynamic_cast<const ModelTextValidator*>(box.validator());
        if (rule == nullptr || !rule->refusedCharacter()) {
            return;
        }
        const QString why =
            QString::fromStdString(outsideCp1252Message(*rule->refusedCharacter())) + ".";
        QToolTip::showText(box.mapToGlobal(QPoint(0, box.height())), why, &box);
    });
}

void guardModelText(QLineEdit& box)
{
    box.setValidator(new ModelTextValidator(&box));
    explainRefusals(box);
}

QValidator::State DigitsValidator::validate(QString& input, int& /*pos*/) const
{
    int points = 0;
    for (const QChar c : input) {
        if (c == u'.') {
            ++points;
        } else if (c < u'0' || c > u'9') {
            return Invalid;
        }
    }
    return points <= (m_allowDecimal ? 1 : 0) ? Acceptable : Invalid;
}

} // namespace quillan::controls
