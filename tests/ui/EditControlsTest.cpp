// The edit controls the dialogs share: the spin edit's stepping, wrap-round, clamping, wheel
// and in-place editor, and the character rules of the three text boxes.

#include "controls/CSEEdit.h"
#include "controls/CSpinEdit.h"
#include "controls/GatewayEdit.h"
#include "controls/VelNumEdit.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

using namespace quillan::controls;

namespace {

// A window holding a spin edit and a box after it, so that Tab has somewhere to go.
struct SpinHost {
    QWidget window;
    CSpinEdit* spin = new CSpinEdit(&window);
    QLineEdit* next = new QLineEdit(&window);

    SpinHost()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(spin);
        layout->addWidget(next);
        window.show();
        window.activateWindow();
    }
};

void wheel(QWidget& target, int detents)
{
    const QPointF at(target.width() / 4.0, target.height() / 2.0);
    QWheelEvent event(at, target.mapToGlobal(at), QPoint(), QPoint(0, detents * 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&target, &event);
}

// Runs a script of user actions on the focused spin edit: "up", "down", "wheel+", "wheel-",
// "type=TEXT", "enter", "esc", "tab", "click".
void act(SpinHost& host, const QString& script)
{
    CSpinEdit& spin = *host.spin;
    for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
        if (step == "up") {
            QTest::keyClick(&spin, Qt::Key_Up);
        } else if (step == "down") {
            QTest::keyClick(&spin, Qt::Key_Down);
        } else if (step == "wheel+") {
            wheel(spin, 1);
        } else if (step == "wheel-") {
            wheel(spin, -1);
        } else if (step.startsWith("type=")) {
            QTest::keyClicks(&spin, step.mid(5));
        } else if (step == "enter") {
            QTest::keyClick(&spin, Qt::Key_Return);
        } else if (step == "esc") {
            QTest::keyClick(&spin, Qt::Key_Escape);
        } else if (step == "tab") {
            QTest::keyClick(&spin, Qt::Key_Tab);
        } else if (step == "click") {
            QTest::mouseClick(&spin.editor(), Qt::LeftButton, {}, QPoint(4, 4));
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
}

CSpinEdit::Settings integerRange(double value, double minimum, double maximum, double step)
{
    CSpinEdit::Settings s;
    s.value = value;
    s.minimum = minimum;
    s.maximum = maximum;
    s.step = step;
    return s;
}

CSpinEdit::Settings floatRange(double value, double minimum, double maximum, double step,
                               int decimals)
{
    CSpinEdit::Settings s = integerRange(value, minimum, maximum, step);
    s.mode = CSpinEdit::floatMode;
    s.decimals = decimals;
    return s;
}

} // namespace

Q_DECLARE_METATYPE(CSpinEdit::Settings)

class EditControlsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void spinEditTakesUserInput_data()
    {
        QTest::addColumn<CSpinEdit::Settings>("settings");
        QTest::addColumn<int>("wheelLines");
        QTest::addColumn<QString>("script");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("notified");

        const auto ten = integerRange(9, 0, 10, 3);
        QTest::newRow("up from 9 wraps the overshoot to 2") << ten << 3 << "up" << 2.0 << "2" << 1;
        QTest::newRow("up from the maximum gives the minimum")
            << integerRange(10, 0, 10, 3) << 3 << "up" << 0.0 << "0" << 1;
        QTest::newRow("down from 1 wraps to 8")
            << integerRange(1, 0, 10, 3) << 3 << "down" << 8.0 << "8" << 1;
        QTest::newRow("down from the minimum gives the maximum")
            << integerRange(0, 0, 10, 3) << 3 << "down" << 10.0 << "10" << 1;
        QTest::newRow("up on a negative range")
            << integerRange(4, -5, 5, 3) << 3 << "up" << -3.0 << "-3" << 1;
        QTest::newRow("up by 0.1 lands on 1.0 exactly")
            << floatRange(0.9, 0, 2, 0.1, 1) << 3 << "up" << 1.0 << "1.0" << 1;
        QTest::newRow("down by 0.1 wraps without a stray digit")
            << floatRange(0.05, 0, 1, 0.1, 2) << 3 << "down" << 0.95 << "0.95" << 1;
        QTest::newRow("a detent away steps up three times at once")
            << integerRange(9, 0, 10, 3) << 3 << "wheel+" << 8.0 << "8" << 1;
        QTest::newRow("a detent towards steps down three times")
            << integerRange(10, 0, 100, 1) << 3 << "wheel-" << 7.0 << "7" << 1;
        QTest::newRow("wheel lines -1: one step a detent")
            << integerRange(10, 0, 100, 1) << -1 << "wheel+ wheel+" << 12.0 << "12" << 2;

        const auto offset = floatRange(0, -1000000, 1000000, 0.1, 1);
        QTest::newRow("typed above the maximum is clamped")
            << offset << 3 << "type=2500000 enter" << 1000000.0 << "1000000.0" << 1;
        QTest::newRow("typed below the minimum is clamped")
            << offset << 3 << "type=-2500000 tab" << -1000000.0 << "-1000000.0" << 1;
        QTest::newRow("typing replaces the shown value")
            << offset << 3 << "type=12.5 tab" << 12.5 << "12.5" << 1;
        QTest::newRow("a value typed finer than shown keeps the shown digits")
            << offset << 3 << "type=12.34 enter" << 12.3 << "12.3" << 1;
        // The editor opens on the rounded text; left untouched it must not store that text.
        QTest::newRow("focus left without typing keeps a finer value")
            << floatRange(0.25, -1000000, 1000000, 0.1, 1) << 3 << "tab" << 0.25 << "0.3" << 0;
        QTest::newRow("enter without typing keeps a finer value")
            << floatRange(0.009765625, 0, 10000, 0.01, 8) << 3 << "enter" << 0.009765625
            << "0.00976563" << 0;
        QTest::newRow("escape keeps the old value")
            << floatRange(7.5, 0, 10, 0.5, 1) << 3 << "type=9 esc tab" << 7.5 << "7.5" << 0;
        QTest::newRow("a letter is refused")
            << integerRange(4, 0, 10, 1) << 3 << "type=x enter" << 4.0 << "4" << 0;
        QTest::newRow("the leading number counts")
            << integerRange(4, 0, 10, 1) << 3 << "type=6-1 enter" << 6.0 << "6" << 1;
        QTest::newRow("no number gives 0")
            << integerRange(4, 0, 10, 1) << 3 << "type=- tab" << 0.0 << "0" << 1;
        QTest::newRow("integer mode truncates what is typed")
            << integerRange(4, 0, 10, 1) << 3 << "type=7.9 enter" << 7.0 << "7" << 1;
        QTest::newRow("a range given upside down works the right way up")
            << integerRange(10, 10, 0, 3) << 3 << "up" << 0.0 << "0" << 1;
        QTest::newRow("typed then stepped: the typed value is taken first")
            << integerRange(0, 0, 100, 5) << 3 << "type=40 up" << 45.0 << "45" << 2;
        QTest::newRow("a click selects the text for typing over")
            << integerRange(42, 0, 100, 1) << 3 << "enter click type=3 enter" << 3.0 << "3" << 1;
    }

    void spinEditTakesUserInput()
    {
        QFETCH(CSpinEdit::Settings, settings);
        QFETCH(int, wheelLines);
        QFETCH(QString, script);
        QFETCH(double, value);
        QFETCH(QString, shown);
        QFETCH(int, notified);

        SpinHost host;
        QVERIFY(QTest::qWaitForWindowActive(&host.window));
        QVERIFY(host.spin->configure(settings));
        host.spin->setWheelLines(wheelLines);
        host.spin->setFocus(Qt::OtherFocusReason);
        QVERIFY(host.spin->isEditing());
        QSignalSpy edited(host.spin, &CSpinEdit::valueEdited);

        act(host, script);

        QCOMPARE(host.spin->value(), value);
        QVERIFY(!host.spin->isEditing());
        QCOMPARE(host.spin->text(), shown);
        QCOMPARE(edited.count(), notified);
    }

    void configureNormalisesTheSettings_data()
    {
        QTest::addColumn<CSpinEdit::Settings>("given");
        QTest::addColumn<CSpinEdit::Settings>("kept");

        QTest::newRow("range put in order, value and default clamped")
            << integerRange(25, 10, 0, 3) << integerRange(10, 0, 10, 3);
        CSpinEdit::Settings truncated = integerRange(7.9, -2.5, 12.7, 2.6);
        truncated.decimals = 3;
        truncated.defaultValue = 3.9;
        CSpinEdit::Settings whole = integerRange(7, -2, 12, 2);
        whole.defaultValue = 3;
        QTest::newRow("integer mode truncates to whole numbers") << truncated << whole;
        QTest::newRow("a negative step counts by its size")
            << floatRange(1, 0, 5, -0.5, 1) << floatRange(1, 0, 5, 0.5, 1);
        QTest::newRow("a step wider than the range is cut to it")
            << floatRange(1, 0, 2, 30, 1) << floatRange(1, 0, 2, 2, 1);
        CSpinEdit::Settings lowDefault = floatRange(0.5, 0, 1, 0.1, 2);
        lowDefault.defaultValue = -4;
        CSpinEdit::Settings clampedDefault = lowDefault;
        clampedDefault.defaultValue = 0;
        QTest::newRow("the default is clamped too") << lowDefault << clampedDefault;
    }

    void configureNormalisesTheSettings()
    {
        QFETCH(CSpinEdit::Settings, given);
        QFETCH(CSpinEdit::Settings, kept);
        CSpinEdit spin;
        QSignalSpy edited(&spin, &CSpinEdit::valueEdited);
        QVERIFY(spin.configure(given));
        const CSpinEdit::Settings& s = spin.settings();
        QCOMPARE(s.value, kept.value);
        QCOMPARE(s.defaultValue, kept.defaultValue);
        QCOMPARE(s.minimum, kept.minimum);
        QCOMPARE(s.maximum, kept.maximum);
        QCOMPARE(s.step, kept.step);
        QCOMPARE(s.decimals, kept.decimals);
        QCOMPARE(edited.count(), 0);
    }

    void configureRefusesAnUnknownMode()
    {
        CSpinEdit spin;
        QVERIFY(spin.configure(floatRange(2.5, 0, 5, 0.5, 1)));
        CSpinEdit::Settings odd = integerRange(1, 0, 3, 1);
        odd.mode = 3;
        QVERIFY(!spin.configure(odd));
        QCOMPARE(spin.value(), 2.5);
        QCOMPARE(spin.settings().mode, int(CSpinEdit::floatMode));
        QCOMPARE(spin.text(), QString("2.5"));
    }

    void suffixShowsOnlyOutsideTheEditor()
    {
        SpinHost host;
        QVERIFY(QTest::qWaitForWindowActive(&host.window));
        host.next->setFocus(Qt::TabFocusReason);
        CSpinEdit::Settings s = floatRange(4.25, 0, 20, 0.25, 2);
        s.suffix = " mA";
        s.showSuffix = true;
        QVERIFY(host.spin->configure(s));
        QCOMPARE(host.spin->text(), QString("4.25 mA"));

        host.spin->setFocus(Qt::TabFocusReason);
        QCOMPARE(host.spin->editor().text(), QString("4.25"));
        QCOMPARE(host.spin->editor().selectedText(), QString("4.25"));
        QTest::keyClick(host.spin, Qt::Key_Up);
        QCOMPARE(host.spin->text(), QString("4.50 mA"));
        // Typing after a step opens the editor again, the typed digit replacing the value.
        QTest::keyClicks(host.spin, "7");
        QVERIFY(host.spin->isEditing());
        QCOMPARE(host.spin->editor().text(), QString("7"));
        host.next->setFocus(Qt::TabFocusReason);
        QCOMPARE(host.spin->value(), 7.0);
        QCOMPARE(host.spin->text(), QString("7.00 mA"));
    }

    void escapeAndEnterReachTheDialog()
    {
        SpinHost host;
        QVERIFY(QTest::qWaitForWindowActive(&host.window));
        QVERIFY(host.spin->configure(integerRange(5, 0, 10, 1)));
        host.spin->setFocus(Qt::TabFocusReason);

        // Typed text to take back: Escape stays with the editor.
        QTest::keyClicks(host.spin, "8");
        QKeyEvent firstEscape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(host.spin, &firstEscape);
        QVERIFY(firstEscape.isAccepted());
        QCOMPARE(host.spin->value(), 5.0);

        // Nothing to take back: Escape and Enter go on to the dialog.
        QKeyEvent secondEscape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(host.spin, &secondEscape);
        QVERIFY(!secondEscape.isAccepted());
        QTest::keyClicks(host.spin, "9");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(host.spin, &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(host.spin->value(), 9.0);
    }

    void leadingNumberReadsThePrefix_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("plain") << "12.5" << 12.5;
        QTest::newRow("blanks and a sign first") << "  -3.25" << -3.25;
        QTest::newRow("plus and a bare fraction") << "+.5" << 0.5;
        QTest::newRow("a second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("a sign on its own") << "-" << 0.0;
        QTest::newRow("a sign apart from the digits") << "- 5" << 0.0;
        QTest::newRow("a back-quote first") << "`12" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("too many digits") << QString(400, u'9') << 1.7976931348623157e308;
    }

    void leadingNumberReadsThePrefix()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(leadingNumber(text.toStdString()), number);
    }

    void textBoxesFollowTheirCharacterRules_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");

        const QString name63(63, u'n');
        QTest::newRow("name: the 64th character is refused") << "name" << name63 << "x" << name63;
        QTest::newRow("name: Backspace at 63") << "name" << name63 << "\b" << QString(62, u'n');
        QTest::newRow("name: spaces refused") << "name"
                                              << "Pump"
                                              << " 2"
                                              << "Pump2";
        QTest::newRow("name: shell characters refused") << "name"
                                                        << ""
                                                        << "a\\|&;<>()$`\"'*?[#~=%:/.b"
                                                        << "ab";
        QTest::newRow("name: other punctuation passes") << "name"
                                                        << ""
                                                        << "G-1_x!@]{}+"
                                                        << "G-1_x!@]{}+";
        QTest::newRow("name: Windows-1252 characters from 128 pass")
            << "name"
            << "" << QString::fromUtf8("S\u00fcd\u00b0\u20ac\u00ff")
            << QString::fromUtf8("S\u00fcd\u00b0\u20ac\u00ff");
        QTest::newRow("name: characters outside Windows-1252 refused")
            << "name"
            << "" << QString::fromUtf8("T\u03a9\u2713\u0081") << "T";
        QTest::newRow("name: Backspace in an old name that breaks the rule") << "name"
                                                                             << "old name"
                                                                             << "\b\b"
                                                                             << "old na";
        QTest::newRow("number: digits only") << "number"
                                             << ""
                                             << "1a-2 +3"
                                             << "123";
        QTest::newRow("number: no point without decimals") << "number"
                                                           << "12"
                                                           << ".5"
                                                           << "125";
        QTest::newRow("decimal: one point, not two") << "decimal"
                                                     << ""
                                                     << "1.5.2"
                                                     << "1.52";
        QTest::newRow("decimal: Backspace over the point") << "decimal"
                                                           << "1.5"
                                                           << "\b\b.7"
                                                           << "1.7";
        QTest::newRow("spin: letters and most punctuation refused")
            << "spin"
            << ""
            << "1a[=\\;',/~!@#$%^&*()_|{}:\"?<>Z"
            << "1";
        QTest::newRow("spin: signs, point, blank, back-quote pass") << "spin"
                                                                    << ""
                                                                    << "+-. `9"
                                                                    << "+-. `9";
    }

    void textBoxesFollowTheirCharacterRules()
    {
        QFETCH(QString, box);
        QFETCH(QString, start);
        QFETCH(QString, typed);
        QFETCH(QString, result);

        std::unique_ptr<QLineEdit> edit;
        if (box == "name") {
            edit = std::make_unique<GatewayEdit>();
        } else if (box == "spin") {
            edit = std::make_unique<CSEEdit>();
        } else {
            auto number = std::make_unique<VelNumEdit>();
            number->setAllowDecimal(box == "decimal");
            edit = std::move(number);
        }
        edit->setText(start);
        edit->setCursorPosition(static_cast<int>(start.size()));
        for (const QChar c : typed) {
            if (c == u'\b') {
                QTest::keyClick(edit.get(), Qt::Key_Backspace);
            } else if (c.unicode() > 127) {
                QTest::sendKeyEvent(QTest::Click, edit.get(), Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            } else {
                QTest::keyClicks(edit.get(), QString(c));
            }
        }
        QCOMPARE(edit->text(), result);
    }

    void switchingDecimalsOffKeepsTheTextEditable()
    {
        VelNumEdit edit;
        edit.setAllowDecimal(true);
        QTest::keyClicks(&edit, "2.5");
        edit.setAllowDecimal(false);
        QCOMPARE(edit.text(), QString("2.5"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QString("2"));
        QTest::keyClicks(&edit, ".");
        QCOMPARE(edit.text(), QString("2"));
    }
};

QTEST_MAIN(EditControlsTest)
#include "EditControlsTest.moc"
