#pragma once

#include <QDialog>

class QToolButton;

namespace quillan::shell {

// The small dialog shown at start when no project was named: a banner, the version, and two
// picture buttons that start a new project or open one.
class StartDialog final : public QDialog {
    Q_OBJECT
public:
    enum class Outcome { none, newProject, openProject };

    explicit StartDialog(QWidget* parent = nullptr);

    // What the user chose; none when the dialog was closed.
    [[nodiscard]] Outcome outcome() const { return m_outcome; }
    [[nodiscard]] QToolButton* newButton() const { return m_new; }
    [[nodiscard]] QToolButton* openButton() const { return m_open; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(Outcome outcome);

    Outcome m_outcome = Outcome::none;
    QToolButton* m_new = nullptr;
    QToolButton* m_open = nullptr;
};

} // namespace quillan::shell
