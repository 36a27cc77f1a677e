#include "views/PointDialog.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using calibration::frmOrvoCalibInputBox;

namespace {

// Shows the dialog modally and runs the script inside its event loop. A script that leaves
// the dialog open has it cancelled, so a failing test cannot hang.
bool runModal(frmOrvoCalibInputBox& dialog, const std::function<void()>& script) {
    QTimer::singleShot(0, &dialog, [&] {
        script();
        if (dialog.isVisible())
            dialog.reject();
    });
    return dialog.ask();
}

void prepare(frmOrvoCalibInputBox& dialog, float signal, float etalon, bool signalFocus) {
    dialog.SIG = signal;
    dialog.ETH = etalon;
    dialog.ETHFormat = QStringLiteral("##0.00  ");
    dialog.SignalFocus = signalFocus;
}

bool wholeTextSelected(const QLineEdit* box) {
    return !box->text().isEmpty() && box->selectedText() == box->text();
}

enum class CancelBy { Escape, StornoButton, CloseControl };

} // namespace

Q_DECLARE_METATYPE(CancelBy)

class TestPointDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Negative numbers, the etalon in its own format, the signal box focused with its text
    // selected; the etalon box's turn is editingSession's.
    void showsTheFieldsWithTheFocusedBoxSelected() {
        frmOrvoCalibInputBox dialog;
        const QLineEdit* signalBox = dialog.txtCalBod[0];
        QStringList shown;
        bool focusedAndSelected = false;
        QTimer::singleShot(0, &dialog, [&] {
            shown = {signalBox->text(), dialog.txtCalBod[1]->text()};
            focusedAndSelected = dialog.focusWidget() == signalBox && wholeTextSelected(signalBox);
            QTest::keyClick(dialog.txtCalBod[1], Qt::Key_Return);
        });
        QVERIFY(dialog.ask(-0.00123f, -2.5f, QStringLiteral("####0.0 "), true));
        QCOMPARE(shown, (QStringList{"   -0.00123", "   -2.5 "}));
        QVERIFY(focusedAndSelected);
        QCOMPARE(dialog.SIG, -0.00123f);
        QCOMPARE(dialog.ETH, -2.5f);
    }

    // A plain comma and the confirmed cancel value 999999 are tst_curveeditor's.
    void typedValues_data() {
        QTest::addColumn<bool>("signalFocus");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<float>("signal");
        QTest::addColumn<float>("etalon");
        QTest::newRow("letters in the etalon") << false << "abc" << 1.5f << 0.f;
        QTest::newRow("only the first comma") << false << "1,5,3" << 1.5f << 1.5f;
        QTest::newRow("comma in the signal") << true << "-0,75" << -0.75f << 20.f;
    }
    void typedValues() {
        QFETCH(bool, signalFocus);
        QFETCH(QString, typed);
        QFETCH(float, signal);
        QFETCH(float, etalon);
        frmOrvoCalibInputBox dialog;
        prepare(dialog, 1.5f, 20.f, signalFocus);
        const bool confirmed = runModal(dialog, [&] {
            // The focused box has its text selected, so typing replaces it.
            QTest::keyClicks(dialog.focusWidget(), typed);
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Enter);
        });
        QVERIFY(confirmed);
        QCOMPARE(dialog.SIG, signal);
        QCOMPARE(dialog.ETH, etalon);
    }

    void cancel_data() {
        QTest::addColumn<CancelBy>("by");
        QTest::newRow("Esc") << CancelBy::Escape;
        QTest::newRow("Storno") << CancelBy::StornoButton;
        QTest::newRow("window close control") << CancelBy::CloseControl;
    }
    void cancel() {
        QFETCH(CancelBy, by);
        frmOrvoCalibInputBox dialog;
        prepare(dialog, 2.5f, 30.f, true);
        const bool confirmed = runModal(dialog, [&] {
            QTest::keyClicks(dialog.txtCalBod[0], "9");
            QTest::keyClicks(dialog.txtCalBod[1], "8");
            switch (by) {
            case CancelBy::Escape:
                QTest::keyClick(dialog.txtCalBod[1], Qt::Key_Escape);
                break;
            case CancelBy::StornoButton:
                QTest::mouseClick(dialog.cmdOK[1], Qt::LeftButton);
                break;
            case CancelBy::CloseControl:
                dialog.close();
                break;
            }
        });
        QVERIFY(!confirmed);
        QCOMPARE(dialog.ETH, frmOrvoCalibInputBox::CancelledEtalon);
        QCOMPARE(dialog.SIG, 2.5f);
    }

    // A repaint keeps what was typed, a box gaining the focus selects its text, and a double
    // click on the background fills both boxes in again.
    void editingSession() {
        frmOrvoCalibInputBox dialog;
        prepare(dialog, 1.5f, 10.f, false);
        bool active = false;
        QString afterRepaint;
        bool focusSelects = false;
        QStringList restored;
        bool restoredSelected = false;
        const bool confirmed = runModal(dialog, [&] {
            dialog.activateWindow();
            active = QTest::qWaitForWindowActive(&dialog);
            QTest::keyClicks(dialog.txtCalBod[1], "42");
            dialog.repaint();
            afterRepaint = dialog.txtCalBod[1]->text();
            dialog.txtCalBod[0]->deselect();
            dialog.txtCalBod[0]->setFocus(Qt::OtherFocusReason);
            focusSelects =
                dialog.txtCalBod[0]->hasFocus() && wholeTextSelected(dialog.txtCalBod[0]);
            QTest::keyClicks(dialog.txtCalBod[0], "7");
            QTest::mouseDClick(&dialog, Qt::LeftButton, {}, QPoint(1, 1));
            restored = {dialog.txtCalBod[0]->text(), dialog.txtCalBod[1]->text()};
            restoredSelected = wholeTextSelected(dialog.txtCalBod[1]);
            QTest::keyClick(dialog.txtCalBod[1], Qt::Key_Return);
        });
        QVERIFY(active);
        QCOMPARE(afterRepaint, QStringLiteral("42"));
        QVERIFY(focusSelects);
        QCOMPARE(restored, (QStringList{"    1.50000", " 10.00  "}));
        QVERIFY(restoredSelected);
        QVERIFY(confirmed);
        QCOMPARE(dialog.ETH, 10.0f);
        QCOMPARE(dialog.SIG, 1.5f);
    }

    void numberTheInstrumentCannotHoldIsNotTaken_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::newRow("etalon beyond a float") << 1 << "1e39";
        QTest::newRow("signal beyond the device float") << 0 << "-2e38";
    }
    void numberTheInstrumentCannotHoldIsNotTaken() {
        QFETCH(int, box);
        QFETCH(QString, typed);
        frmOrvoCalibInputBox dialog;
        prepare(dialog, 1.5f, 10.f, box == 0);
        QLineEdit* edited = dialog.txtCalBod[static_cast<std::size_t>(box)];
        bool stayedOpen = false;
        bool selected = false;
        const bool confirmed = runModal(dialog, [&] {
            QTest::keyClicks(edited, typed);
            QTest::keyClick(dialog.txtCalBod[1 - box], Qt::Key_Return);
            stayedOpen = dialog.isVisible();
            selected = dialog.focusWidget() == edited && wholeTextSelected(edited);
            QTest::keyClicks(edited, "5");
            QTest::keyClick(edited, Qt::Key_Return);
        });
        QVERIFY(stayedOpen);
        QVERIFY(selected);
        QVERIFY(confirmed);
        QCOMPARE(box == 0 ? dialog.SIG : dialog.ETH, 5.0f);
    }
};

QTEST_MAIN(TestPointDialog)
#include "tst_pointdialog.moc"
