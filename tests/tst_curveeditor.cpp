#include "core/calibration/CurveTable.h"
#include "core/text/LanguageTable.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/ScriptedMessages.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/PointDialog.h"
#include "views/common/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace calibration;
using Points = QList<QPointF>; // (signal, etalon)

namespace {

// Runs `script` inside the modal loop of the dialog about to be shown.
void whenShown(frmOrvoCalibInputBox& dialog, const std::function<void()>& script) {
    QTimer::singleShot(0, &dialog, [&dialog, script] {
        script();
        if (dialog.isVisible())
            dialog.reject();
    });
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
    CurveEditor editor{page, table, dialog, messages, texts, sources()};
    int dialogsShown = 0;
    QStringList shownTexts;

    Rig() {
        for (int n : {42, 43, 44, 62, 63, 67, 71, 72, 301})
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
    [[nodiscard]] Points points() const { return testsupport::pointsOf(table); }
    CurveEditor::Sources sources() {
        return {[this] { return live; }, [] { return QStringLiteral("##0.00  "); },
                [] { return QStringLiteral("kg    "); }, [this] { ++newCurves; }, [] { return 3; }};
    }
};

} // namespace

// The curve editor, then the point dialog alone.
class CurveEditorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // The point is sorted in and selected; without a fresh reading nothing is asked.
    void captureTakesTheLiveSignalAndSelectsThePoint() {
        Rig rig;
        rig.fill(2);
        rig.live = std::nullopt;
        rig.editor.CaptureSignalPoint();
        QCOMPARE(rig.messages.texts(), QStringList{"COM3: T301"});
        rig.live = 0.5F;
        rig.answer(QString(), "12,5");
        rig.editor.CaptureSignalPoint();
        QCOMPARE(rig.dialogsShown, 1);
        QCOMPARE(rig.shownTexts.first(), QString("    0.50000"));
        QCOMPARE(rig.points().at(1), QPointF(0.5, 12.5));
        QCOMPARE(rig.page.lstKrivka->currentRow(), 1);
        QCOMPARE(rig.messages.shown.size(), 1);
    }

    // A series capture puts its load's rising mean into the curve; a falling reading keeps the
    // curve and is refused at a load not yet taken rising; without a step a capture is a point.
    void seriesCaptures() {
        Rig rig;
        SeriesReadings readings;
        std::optional<SeriesStep> step = SeriesStep{1, Direction::Rising};
        rig.texts.set(575, QStringLiteral("T575 %1 %2"));
        rig.editor.setSeries({readings, [&step] { return step; }});
        QString title;
        const auto capture = [&](double signal, const QString& etalon) {
            rig.answer(QString(), etalon);
            whenShown(rig.dialog, [&] { title = rig.dialog.windowTitle(); });
            rig.editor.captureWindow({signal, 8, 0.001});
        };
        QVERIFY(!rig.editor.repeatsLoads());
        capture(1.0, "50");
        QVERIFY(title.endsWith(stepText(*step, rig.texts)) && rig.dialog.windowTitle() != title);
        step = SeriesStep{1, Direction::Falling};
        QVERIFY(rig.editor.repeatsLoads());
        capture(1.1, "70");
        capture(1.1, "50");
        step = SeriesStep{2, Direction::Rising};
        capture(1.2, "50");
        QCOMPARE(rig.points(), Points{QPointF(1.1f, 50)});
        step = std::nullopt;
        capture(2.0, "100");
        QCOMPARE(rig.points().size(), 2);
        QCOMPARE(readings.readings().size(), std::size_t(3));
        QCOMPARE(rig.messages.texts(), QStringList{"T575 70.00 kg"});
    }

    // A full table refuses adding and capturing before the dialog opens.
    void fullTable() {
        Rig rig;
        rig.fill(CurveTable::SlotCount);
        rig.editor.AddCurvePoint();
        rig.editor.CaptureSignalPoint();
        QCOMPARE(rig.dialogsShown, 0);
        QCOMPARE(rig.messages.texts(),
                 QStringList({text::BuiltInText(CurveEditor::TableFullText), "T67"}));
        QCOMPARE(rig.table.PointCount(), CurveTable::SlotCount);
    }

    // Esc stores nothing; the cancel value typed and confirmed is a point.
    void addedPointIsKeptAndChecked() {
        Rig rig;
        rig.fill(2);
        rig.answer(QString(), QString(), true);
        rig.editor.AddCurvePoint();
        QCOMPARE(rig.table.PointCount(), 2);
        rig.answer("1", "999999");
        rig.editor.AddCurvePoint();
        QCOMPARE(rig.points(), (Points{{0.0, 0.0}, {1.0, 10.0}, {1.0, 999999.0}}));
        QCOMPARE(rig.messages.texts(), QStringList{"T44 1 T43"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.page.lstKrivka->currentRow(), 1);
        // Said once, when entered; afterwards both rows carry it, and a sound point adds none.
        rig.answer("3", "30");
        rig.editor.AddCurvePoint();
        QCOMPARE(rig.messages.shown.size(), 1);
        QStringList tips;
        for (int row = 0; row < rig.page.lstKrivka->count(); ++row)
            tips.append(rig.page.lstKrivka->item(row)->toolTip().section(u'\n', 0, 0));
        // Each duplicate row says so first (then: too close); the etalon 30 turns the curve back.
        QCOMPARE(tips.mid(0, 3), QStringList({"", "T44 1 T43", "T44 1 T43"}));
        QVERIFY(!rig.page.lstKrivka->item(1)->icon().isNull());
    }

    // Nothing selected: nothing happens. The dialog shows the point, which is sorted anew.
    void editByDoubleClick() {
        Rig rig;
        rig.fill(3);
        rig.editor.EditCurvePoint();
        QCOMPARE(rig.dialogsShown, 0);
        rig.page.lstKrivka->setCurrentRow(0);
        rig.answer("5", QString());
        emit rig.page.lstKrivka->itemDoubleClicked(rig.page.lstKrivka->item(0));
        QCOMPARE(rig.shownTexts, QStringList({"    0.00000", "  0.00  "}));
        QCOMPARE(rig.points().last(), QPointF(5.0, 0.0));
    }

    // On an empty table each says so; otherwise each asks, No being the default answer.
    void deleteClearAndNewCurveAsk() {
        Rig rig;
        rig.editor.ClearCurvePoints();
        rig.editor.DeleteCurvePoint();
        QCOMPARE(rig.messages.texts(), QStringList({"T72", "T62"}));
        rig.fill(3);
        rig.page.lstKrivka->setCurrentRow(1);
        rig.editor.DeleteCurvePoint();
        QCOMPARE(rig.messages.texts().last(), QString("T63 10.00   kg     ?"));
        rig.editor.ClearCurvePoints();
        rig.editor.NewCurve();
        QCOMPARE(rig.table.PointCount(), 3);
        // Delete in the list asks as the button does.
        rig.page.show();
        QVERIFY(QTest::qWaitForWindowActive(&rig.page));
        rig.page.lstKrivka->setFocus();
        rig.messages.answer(text::MsgAnswer::Yes);
        QTest::keyClick(rig.page.lstKrivka, Qt::Key_Delete);
        QCOMPARE(rig.messages.texts().last(), QString("T63 10.00   kg     ?"));
        QCOMPARE(rig.points(), (Points{{0.0, 0.0}, {2.0, 20.0}}));
        rig.messages.answer(text::MsgAnswer::Yes);
        rig.editor.ClearCurvePoints();
        QCOMPARE(rig.page.lstKrivka->count(), 0);
        rig.fill(1);
        rig.messages.answer(text::MsgAnswer::Yes);
        rig.editor.NewCurve();
        QCOMPARE(rig.newCurves, 1);
        QVERIFY(rig.table.PointCount() == 0 && rig.page.lstKrivka->count() == 0);
    }

    // The etalon in its format.
    void dialogTakesTypedValues() {
        for (const auto& [signalFocus, typed, refused, taken] :
             {std::tuple{false, "abc", false, QPointF(1.5, 0.0)},
              {false, "1,5,3", false, {1.5, 1.5}}, // only the first comma
              {true, "-0,75", false, {-0.75, 20.0}},
              {false, "1e39", true, {1.5, 5.0}},     // beyond a float
              {true, "-2e38", true, {5.0, 20.0}}}) { // beyond the instrument's float
            frmOrvoCalibInputBox dialog;
            QLineEdit* edited = dialog.txtCalBod[signalFocus ? 0 : 1];
            bool keptOpen = false;
            QStringList shown;
            whenShown(dialog, [&] {
                shown = {dialog.txtCalBod[0]->text(), dialog.txtCalBod[1]->text()};
                QTest::keyClicks(edited, typed);
                QTest::keyClick(dialog.txtCalBod[signalFocus ? 1 : 0], Qt::Key_Enter);
                keptOpen = dialog.isVisible();
                QTest::keyClicks(edited, "5");
                QTest::keyClick(edited, Qt::Key_Return);
            });
            QVERIFY(dialog.ask(1.5F, 20.0F, QStringLiteral("##0.00  "), signalFocus));
            QCOMPARE(shown, (QStringList{"    1.50000", " 20.00  "}));
            QCOMPARE(keptOpen, refused);
            QCOMPARE(QPointF(dialog.SIG, dialog.ETH), taken);
        }
    }

    // Storno, as Esc does (see above); the signal stays as it was.
    void dialogCancel() {
        frmOrvoCalibInputBox dialog;
        whenShown(dialog, [&] {
            QTest::keyClicks(dialog.txtCalBod[0], "9");
            QTest::keyClicks(dialog.txtCalBod[1], "8");
            QTest::mouseClick(dialog.cmdOK[1], Qt::LeftButton);
        });
        QVERIFY(!dialog.ask(2.5F, 30.0F, QStringLiteral("##0.00  "), true));
        QCOMPARE(QPointF(dialog.SIG, dialog.ETH),
                 QPointF(2.5, frmOrvoCalibInputBox::CancelledEtalon));
    }
};

QTEST_MAIN(CurveEditorTest)
#include "tst_curveeditor.moc"
