#include "controls/TextRules.h"

#include "model/NodeName.h"

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

QValidator::State NodeNameValidator::validate(QString& input, int& /*pos*/) const
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
