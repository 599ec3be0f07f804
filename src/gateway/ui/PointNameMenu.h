#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QPoint;
class QWidget;

namespace quillan::gateway::ui {

// The most clipboard text, in the project's character set, that "Paste Tag(s)" takes.
inline constexpr int kMaxPastedTagBytes = 1023;

// The names "Paste Tag(s)" takes from a clipboard text: the text split at CR, LF and NUL, empty
// pieces dropped. None when the text is longer than kMaxPastedTagBytes.
[[nodiscard]] std::vector<std::string> pastedTagNames(const QString& clipboardText);

// True, after saying why, when a clipboard text holds a character that names in the project
// file cannot: then nothing of it is pasted.
[[nodiscard]] bool refusedTagText(QWidget& parent, const QString& clipboardText);

// The names on the clipboard for "Paste Tag(s)"; none, after saying why, when the text is too
// long to take or holds a character outside Windows-1252.
[[nodiscard]] std::vector<std::string> clipboardTagNames(QWidget& parent);

// The point lists' popup: "Edit Name", separator, "Paste Tag(s)", the paste while the clipboard
// holds text.
void showPointNameMenu(QWidget& list, const QPoint& globalPos,
                       const std::function<void()>& editName,
                       const std::function<void()>& pasteTags);

} // namespace quillan::gateway::ui
