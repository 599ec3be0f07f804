#pragma once

#include <QList>
#include <QString>
#include <QWidget>

namespace quillan::dialogs {

// One page of a wizard sheet: the header's title and subtitle, and what the sheet asks of a
// page as it comes and goes.
class WizardPage : public QWidget {
    Q_OBJECT
public:
    WizardPage(QString title, QString subtitle, QWidget* parent = nullptr);

    [[nodiscard]] const QString& headerTitle() const { return m_title; }
    [[nodiscard]] const QString& headerSubtitle() const { return m_subtitle; }

    // The page has become the active one.
    virtual void onSetActive() {}
    // The page is being left: a number still being typed is taken as it would be on leaving
    // its field.
    virtual void storeFields() {}
    // The fields in the order Tab takes through them, the first getting the focus.
    [[nodiscard]] virtual QList<QWidget*> tabChain() const = 0;

Q_SIGNALS:
    // What the sheet's buttons may do has changed.
    void completeChanged();

private:
    QString m_title;
    QString m_subtitle;
};

} // namespace quillan::dialogs
