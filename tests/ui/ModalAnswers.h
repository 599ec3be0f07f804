#pragma once

// Answers the modal message boxes and closes the popup menus a window opens in a test: the
// box or menu runs its own event loop, so the test arranges the answer before it opens.

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <memory>

namespace quillan::test {

struct SeenBox {
    QString title;
    QString text;
    QStringList buttons; // the texts of its buttons, in the box's order
    bool shown = false;
};

// Hands the next message box that becomes the active modal widget to answer, which must close
// it, and records what the box said.
template <typename Answer> inline std::shared_ptr<SeenBox> onNextBox(Answer answer)
{
    auto seen = std::make_shared<SeenBox>();
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        seen->title = box->windowTitle();
        seen->text = box->text();
        for (QAbstractButton* shown : box->buttons()) {
            seen->buttons << shown->text();
        }
        seen->shown = true;
        answer(*box);
    });
    timer->start();
    return seen;
}

// Clicks the button on the next message box.
inline std::shared_ptr<SeenBox> answerNextBox(QMessageBox::StandardButton button)
{
    return onNextBox([button](QMessageBox& box) { box.button(button)->click(); });
}

// Presses Enter on the next message box, as a user who takes its default button does.
inline std::shared_ptr<SeenBox> enterOnNextBox()
{
    return onNextBox([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
}

struct SeenMenu {
    QStringList all;     // the entries' texts in order, separators left out
    QStringList enabled; // those of them that were enabled
    bool shown = false;
};

// Closes the next popup menu that shows, recording which of its entries were enabled.
inline std::shared_ptr<SeenMenu> closeNextMenu()
{
    auto seen = std::make_shared<SeenMenu>();
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, seen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) {
                continue;
            }
            seen->all << action->text();
            if (action->isEnabled()) {
                seen->enabled << action->text();
            }
        }
        seen->shown = true;
        menu->close();
    });
    timer->start();
    return seen;
}

// Hands the next dialog of type D that becomes the active modal widget to answer, which must
// close it (accept, reject, or a click on its buttons).
template <typename D, typename Answer>
void answerNextDialog(Answer answer)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        answer(*dialog);
    });
    timer->start();
}

} // namespace quillan::test
