// The message boxes of the operations' questions: the site security question names its answers,
// and Enter takes No where Yes destroys something.
#include "ModalAnswers.h"
#include "device/UpdateDevice.h"
#include "shell/MessageBoxPrompts.h"

#include <QtTest>

using namespace quillan;

class MessageBoxPromptsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theSiteSecurityQuestionNamesItsAnswers_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<int>("answer");
        QTest::newRow("Update Key") << int(QMessageBox::Yes) << int(MessageAnswer::yes);
        QTest::newRow("Ignore Key") << int(QMessageBox::No) << int(MessageAnswer::no);
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << int(MessageAnswer::cancel);
    }
    void theSiteSecurityQuestionNamesItsAnswers()
    {
        QFETCH(int, clicked);
        QFETCH(int, answer);
        shell::MessageBoxPrompts prompts;
        const auto seen = test::answerNextBox(QMessageBox::StandardButton(clicked));
        const MessageAnswer given =
            prompts.ask(MessageIcon::question, device::SITE_SECURITY_CAPTION,
                        device::SITE_SECURITY_TEXT, MessageButtons::yesNoCancel);
        QCOMPARE(int(given), answer);
        QCOMPARE(seen->title, QString("Site Security Mismatch"));
        QStringList buttons = seen->buttons;
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"&Ignore Key", "&Update Key", "Cancel"}));
    }

    // A question whose Yes destroys something takes No on Enter; the others keep Yes first.
    void enterTakesTheDefaultAnswer_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes/no") << int(MessageButtons::yesNo) << "Quillan"
                                << int(MessageAnswer::yes);
        QTest::newRow("yes/no/cancel")
            << int(MessageButtons::yesNoCancel) << "Quillan" << int(MessageAnswer::yes);
        QTest::newRow("yes/no, default No")
            << int(MessageButtons::yesNoDefaultNo) << "Quillan" << int(MessageAnswer::no);
        QTest::newRow("yes/no/cancel, default No")
            << int(MessageButtons::yesNoCancelDefaultNo) << "Quillan" << int(MessageAnswer::no);
        QTest::newRow("site security: Ignore Key")
            << int(MessageButtons::yesNoCancelDefaultNo) << device::SITE_SECURITY_CAPTION
            << int(MessageAnswer::no);
    }
    void enterTakesTheDefaultAnswer()
    {
        QFETCH(int, buttons);
        QFETCH(QString, caption);
        QFETCH(int, answer);
        shell::MessageBoxPrompts prompts;
        const auto seen = test::enterOnNextBox();
        QCOMPARE(int(prompts.ask(MessageIcon::warning, caption.toStdString(), "Sure?",
                                 MessageButtons(buttons))),
                 answer);
        QVERIFY(seen->shown);
    }

    void otherQuestionsKeepYesAndNo()
    {
        shell::MessageBoxPrompts prompts;
        const auto seen = test::answerNextBox(QMessageBox::No);
        QCOMPARE(int(prompts.ask(MessageIcon::question, "Quillan", "Save changes?",
                                 MessageButtons::yesNo)),
                 int(MessageAnswer::no));
        QStringList buttons = seen->buttons;
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"&No", "&Yes"}));
    }
};

QTEST_MAIN(MessageBoxPromptsTest)
#include "MessageBoxPromptsTest.moc"
