#include "core/calibration/CurveTable.h"
#include "core/text/LanguageTable.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/ScriptedMessages.h"
#include "views/CurveEditor.h"
#include "views/CurvePage.h"
#include "views/PointDialog.h"
#include "views/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace calibration;

namespace {

// Runs `script` inside the modal loop of the dialog about to be shown; a dialog the script
// leaves open is cancelled, so a failing test cannot hang.
void whenShown(frmOrvoCalibInputBox& dialog, const std::function<void()>& script) {
    QTimer::singleShot(0, &dialog, [&dialog, script] {
        script();
        if (dialog.isVisible())
            dialog.reject();
    });
}

bool wholeTextSelected(const QLineEdit* box) {
    return !box->text().isEmpty() && box->selectedText() == box->text();
}

// The curve page's actions on a table, with the real point dialog.
struct Rig {
    CurvePage page{nullptr, ui::Twips(96)};
    CurveTable table;
    frmOrvoCalibInputBox dialog;
    testsupport::ScriptedMessages messages;
    text::LanguageTable texts;
    std::optional<float> live = 0.0F;
    int newCurves = 0;
    CurveEditor editor{page,
                       table,
                       dialog,
                       messages,
                       texts,
                       {[this] { return live; }, [] { return QStringLiteral("##0.00  "); },
                        [] { return QStringLiteral("kg    "); }, [this] { ++newCurves; }}};
    int dialogsShown = 0;
    QStringList shownTexts;

    Rig() {
        for (int n : {42, 43, 44, 62, 63, 64, 65, 67, 71, 72})
            texts.set(n, QStringLiteral("T%1").arg(n));
    }
    // Answers the dialog's next showing: the boxes given (null: as shown), then Enter; or Esc.
    void answer(const QString& signal, const QString& etalon, bool cancel = false) {
        whenShown(dialog, [=, this] {
            ++dialogsShown;
            shownTexts = {dialog.txtCalBod[0]->text(), dialog.txtCalBod[1]->text()};
            if (!signal.isNull())
                dialog.txtCalBod[0]->setText(signal);
            if (!etalon.isNull())
                dialog.txtCalBod[1]->setText(etalon);
            QTest::keyClick(dialog.txtCalBod[1], cancel ? Qt::Key_Escape : Qt::Key_Return);
        });
    }
    void fill(int points) {
        for (int i = 0; i < points; ++i)
            QVERIFY(table.append(float(i), float(10 * i)));
        editor.FillCurveList();
    }
};

void prepare(frmOrvoCalibInputBox& dialog, float signal, float etalon, bool signalFocus) {
    dialog.SIG = signal;
    dialog.ETH = etalon;
    dialog.ETHFormat = QStringLiteral("##0.00  ");
    dialog.SignalFocus = signalFocus;
}

} // namespace

// The curve editor, then the point dialog alone.
class CurveEditorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // The point is sorted in and selected; while the line is lost nothing is asked.
    void captureTakesTheLiveSignalAndSelectsThePoint() {
        Rig rig;
        rig.fill(2);
        rig.live = std::nullopt;
        rig.editor.CaptureSignalPoint();
        QCOMPARE(rig.messages.texts(), QStringList{"T64\r\nT65"});
        rig.live = 0.5F;
        rig.answer(QString(), "12,5");
        rig.editor.CaptureSignalPoint();
        QCOMPARE(rig.dialogsShown, 1);
        QCOMPARE(rig.shownTexts.first(), QString("    0.50000"));
        QCOMPARE(testsupport::pointsOf(rig.table).at(1), QPointF(0.5, 12.5));
        QCOMPARE(rig.page.lstKrivka->currentRow(), 1);
        QVERIFY(rig.page.cmdListAction[1]->isEnabled());
        QCOMPARE(rig.page.Label3->text(), QString("3"));
        QCOMPARE(rig.messages.shown.size(), 1);
    }

    void cancelStoresNothingButConfirmedSentinelIsStored() {
        Rig rig;
        rig.answer(QString(), QString(), true);
        rig.editor.AddCurvePoint();
        QCOMPARE(rig.table.PointCount(), 0);
        rig.answer("1", "999999");
        rig.editor.AddCurvePoint();
        QCOMPARE(testsupport::pointsOf(rig.table), QList<QPointF>{QPointF(1.0, 999999.0)});
    }

    // Adding is refused before the dialog, capturing after it.
    void fullTable() {
        Rig rig;
        rig.fill(CurveTable::SlotCount);
        rig.editor.AddCurvePoint();
        QCOMPARE(rig.dialogsShown, 0);
        rig.answer("99", "99");
        rig.editor.CaptureSignalPoint();
        QCOMPARE(rig.dialogsShown, 1);
        QCOMPARE(rig.messages.texts(), QStringList({CurveEditor::TableFullMessage, "T67"}));
        QCOMPARE(rig.table.PointCount(), CurveTable::SlotCount);
    }

    // The point is kept; the first of the two equal signals is selected.
    void duplicateSignalIsKeptAndReported() {
        Rig rig;
        rig.fill(2);
        rig.answer("1", "77");
        rig.editor.AddCurvePoint();
        QCOMPARE(rig.table.PointCount(), 3);
        QCOMPARE(rig.messages.texts(), QStringList{"T44 1 T43"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.page.lstKrivka->currentRow(), 1);
    }

    void editByDoubleClick() {
        Rig rig;
        rig.fill(3);
        rig.editor.EditCurvePoint(); // nothing selected: nothing happens
        QCOMPARE(rig.dialogsShown, 0);
        rig.page.lstKrivka->setCurrentRow(0);
        rig.answer("5", QString());
        emit rig.page.lstKrivka->itemDoubleClicked(rig.page.lstKrivka->item(0));
        QCOMPARE(rig.shownTexts, QStringList({"    0.00000", "  0.00  "}));
        QCOMPARE(testsupport::pointsOf(rig.table).last(), QPointF(5.0, 0.0)); // sorted to the end
        QCOMPARE(rig.page.lstKrivka->selectedItems().size(), 0);
    }

    void deleteAndClear() {
        Rig rig;
        rig.editor.ClearCurvePoints();
        rig.editor.DeleteCurvePoint();
        QCOMPARE(rig.messages.texts(), QStringList({"T72", "T62"}));
        rig.fill(2);
        rig.page.lstKrivka->setCurrentRow(1);
        rig.editor.DeleteCurvePoint(); // No is the default answer
        QCOMPARE(rig.messages.texts().last(), QString("T63 10.00   kg     ?"));
        QCOMPARE(rig.table.PointCount(), 2);
        rig.messages.answer(text::MsgAnswer::Yes);
        rig.editor.DeleteCurvePoint();
        QCOMPARE(testsupport::pointsOf(rig.table), QList<QPointF>{QPointF(0.0, 0.0)});
        rig.messages.answer(text::MsgAnswer::Yes);
        rig.editor.ClearCurvePoints();
        QCOMPARE(rig.table.PointCount(), 0);
        QCOMPARE(rig.page.lstKrivka->count(), 0);
        QVERIFY(!rig.page.cmdListAction[2]->isEnabled());
    }

    void newCurveEmptiesTheList() {
        Rig rig;
        rig.fill(4);
        rig.editor.NewCurve(); // No is the default answer
        QCOMPARE(rig.table.PointCount(), 4);
        rig.messages.answer(text::MsgAnswer::Yes);
        rig.editor.NewCurve();
        QCOMPARE(rig.newCurves, 1);
        QCOMPARE(rig.table.PointCount(), 0);
        QCOMPARE(rig.page.lstKrivka->count(), 0);
    }

    // The etalon in its format, the focused box's text selected, so typing replaces it; Enter
    // in the other box confirms. A number the instrument cannot hold keeps the dialog open with
    // that box focused and selected, and the "5" typed then is taken.
    void dialogTakesTypedValues_data() {
        QTest::addColumn<bool>("signalFocus");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QPointF>("taken");
        const auto row = [](const char* name, bool signal, const QString& typed, bool refused,
                            QPointF taken) {
            QTest::newRow(name) << signal << typed << refused << taken;
        };
        row("letters in the etalon", false, "abc", false, {1.5, 0.0});
        row("only the first comma", false, "1,5,3", false, {1.5, 1.5});
        row("comma in the signal", true, "-0,75", false, {-0.75, 20.0});
        row("etalon beyond a float", false, "1e39", true, {1.5, 5.0});
        row("signal beyond the device float", true, "-2e38", true, {5.0, 20.0});
    }
    void dialogTakesTypedValues() {
        QFETCH(bool, signalFocus);
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        QFETCH(QPointF, taken);
        frmOrvoCalibInputBox dialog;
        prepare(dialog, 1.5f, 20.f, signalFocus);
        QLineEdit* edited = dialog.txtCalBod[signalFocus ? 0 : 1];
        bool keptOpenAndSelected = false;
        QStringList shown;
        whenShown(dialog, [&] {
            shown = {dialog.txtCalBod[0]->text(), dialog.txtCalBod[1]->text()};
            QVERIFY(dialog.focusWidget() == edited && wholeTextSelected(edited));
            QTest::keyClicks(edited, typed);
            QTest::keyClick(dialog.txtCalBod[signalFocus ? 1 : 0], Qt::Key_Enter);
            keptOpenAndSelected =
                dialog.isVisible() && dialog.focusWidget() == edited && wholeTextSelected(edited);
            QTest::keyClicks(edited, "5");
            QTest::keyClick(edited, Qt::Key_Return);
        });
        QVERIFY(dialog.ask());
        QCOMPARE(shown, (QStringList{"    1.50000", " 20.00  "}));
        QCOMPARE(keptOpenAndSelected, refused);
        QCOMPARE(QPointF(dialog.SIG, dialog.ETH), taken);
    }

    // Esc, Storno and the window's close control; the signal stays as it was.
    void dialogCancel() {
        for (int by = 0; by < 3; ++by) {
            frmOrvoCalibInputBox dialog;
            prepare(dialog, 2.5f, 30.f, true);
            whenShown(dialog, [&] {
                QTest::keyClicks(dialog.txtCalBod[0], "9");
                QTest::keyClicks(dialog.txtCalBod[1], "8");
                if (by == 0)
                    QTest::keyClick(dialog.txtCalBod[1], Qt::Key_Escape);
                else if (by == 1)
                    QTest::mouseClick(dialog.cmdOK[1], Qt::LeftButton);
                else
                    dialog.close();
            });
            QVERIFY(!dialog.ask());
            QCOMPARE(QPointF(dialog.SIG, dialog.ETH),
                     QPointF(2.5, frmOrvoCalibInputBox::CancelledEtalon));
        }
    }

    // A repaint keeps what was typed, a box gaining the focus selects its text, and a double
    // click on the background fills both boxes in again.
    void dialogEditing() {
        frmOrvoCalibInputBox dialog;
        prepare(dialog, 1.5f, 10.f, false);
        QStringList seen;
        bool focusSelects = false;
        whenShown(dialog, [&] {
            dialog.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QTest::keyClicks(dialog.txtCalBod[1], "42");
            dialog.repaint();
            seen.append(dialog.txtCalBod[1]->text());
            dialog.txtCalBod[0]->deselect();
            dialog.txtCalBod[0]->setFocus(Qt::OtherFocusReason);
            focusSelects = wholeTextSelected(dialog.txtCalBod[0]);
            QTest::keyClicks(dialog.txtCalBod[0], "7");
            QTest::mouseDClick(&dialog, Qt::LeftButton, {}, QPoint(1, 1));
            seen << dialog.txtCalBod[0]->text() << dialog.txtCalBod[1]->text();
            focusSelects = focusSelects && wholeTextSelected(dialog.txtCalBod[1]);
            QTest::keyClick(dialog.txtCalBod[1], Qt::Key_Return);
        });
        QVERIFY(dialog.ask());
        QCOMPARE(seen, (QStringList{"42", "    1.50000", " 10.00  "}));
        QVERIFY(focusSelects);
        QCOMPARE(QPointF(dialog.SIG, dialog.ETH), QPointF(1.5, 10.0));
    }
};

QTEST_MAIN(CurveEditorTest)
#include "tst_curveeditor.moc"
