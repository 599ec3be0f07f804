#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>

class QDialogButtonBox;
class QHBoxLayout;
class QPushButton;
class QTabWidget;

namespace quillan::gateway::ui {

// One page of a property sheet. It edits copies; only the sheet's OK hands them back.
class PropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit PropertyPage(const QString& title, QWidget* parent = nullptr);

    [[nodiscard]] const QString& title() const { return m_title; }

    // Asked of every page before OK closes the sheet; a page that refuses keeps the sheet
    // open and says why itself.
    [[nodiscard]] virtual bool canApply() { return true; }
    // Writes the page's copies back; called for every page, in page order, on OK.
    virtual void apply() {}

private:
    QString m_title;
};

// The tabbed sheet that gateway and Modbus module properties and the device window share:
// pages, OK and Cancel, and room on the left of the button row for buttons of the sheet's
// own (Flash, Dump, Compare).
class NodePropertySheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int resultOk = 1;
    static constexpr int resultCancel = 2;

    explicit NodePropertySheet(const QString& caption, QWidget* parent = nullptr);

    // The sheet owns the page; pages may be added while it is open.
    void addPage(PropertyPage* page);
    [[nodiscard]] int pageCount() const;
    [[nodiscard]] PropertyPage* page(int index) const;
    [[nodiscard]] PropertyPage* currentPage() const;
    void setCurrentPage(int index);

    [[nodiscard]] QTabWidget& tabs() const { return *m_tabs; }
    [[nodiscard]] QPushButton& okButton() const { return *m_ok; }
    [[nodiscard]] QPushButton& cancelButton() const { return *m_cancel; }
    // A button on the left of the button row, in the order added.
    QPushButton* addSideButton(const QString& text);

    // Modal: resultOk once every page has applied its copies, resultCancel otherwise.
    int run();

    void accept() override;

private:
    QTabWidget* m_tabs = nullptr;
    QHBoxLayout* m_sideButtons = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace quillan::gateway::ui
