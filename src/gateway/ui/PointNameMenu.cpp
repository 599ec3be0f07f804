#include "gateway/ui/PointNameMenu.h"

#include "model/Text.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>

namespace quillan::gateway::ui {

namespace {

std::string clipboardBytes(const QString& text)
{
    return utf8ToCp1252(text.toStdString());
}

} // namespace

std::vector<std::string> pastedTagNames(const QString& clipboardText)
{
    const std::string text = clipboardBytes(clipboardText);
    std::vector<std::string> names;
    if (text.size() > static_cast<size_t>(kMaxPastedTagBytes)) {
        return names;
    }
    std::string piece;
    for (const char c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            if (!piece.empty()) {
                names.push_back(std::move(piece));
            }
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) {
        names.push_back(std::move(piece));
    }
    return names;
}

bool refusedTagText(QWidget& parent, const QString& clipboardText)
{
    const auto outside = firstCharacterOutsideCp1252(clipboardText.toStdString());
    if (outside) {
        QMessageBox::warning(&parent, "Paste Tag(s)",
                             QString::fromStdString(outsideCp1252Message(*outside)) + ".");
    }
    return outside.has_value();
}

std::vector<std::string> clipboardTagNames(QWidget& parent)
{
    const QString clipboard = QApplication::clipboard()->text();
    if (refusedTagText(parent, clipboard)) {
        return {};
    }
    if (clipboardBytes(clipboard).size() > static_cast<size_t>(kMaxPastedTagBytes)) {
        QMessageBox::warning(&parent, "Paste Tag(s)",
                             QString("The clipboard holds too much text to paste as names: at "
                                     "most %1 bytes, one name a line.")
                                 .arg(kMaxPastedTagBytes));
        return {};
    }
    return pastedTagNames(clipboard);
}

void showPointNameMenu(QWidget& list, const QPoint& globalPos,
                       const std::function<void()>& editName,
                       const std::function<void()>& pasteTags)
{
    QMenu menu(&list);
    QAction* edit = menu.addAction("Edit Name");
    menu.addSeparator();
    QAction* paste = menu.addAction("Paste Tag(s)");
    paste->setEnabled(!QApplication::clipboard()->text().isEmpty());
    const QAction* chosen = menu.exec(globalPos);
    if (chosen == edit) {
        editName();
    } else if (chosen == paste) {
        pasteTags();
    }
}

} // namespace quillan::gateway::ui
