#include "core/calibration/CurveTable.h"
#include "core/text/LanguageTable.h"
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

using namespace calibration;
using testsupport::ScriptedMessages;

namespace {

// The dialog's answers, typed into its real boxes inside its modal loop.
struct DialogScript {
    QString signal, etalon; // null: leave the box as shown
    bool cancel = false;
};

class Rig {
public:
    Rig() : page(nullptr, ui::Twips(96)) {
        for (int n : {42, 43, 44, 62, 63, 67, 71, 72})
            texts.set(n, QStringLiteral("T%1").arg(n));
        editor = std::make_unique<CurveEditor>(
            page, table, dialog, messages, texts,
            CurveEditor::Sources{[this] { return live; }, [] { return QStringLiteral("##0.00  "); },
                                 [] { return QStringLiteral("kg    "); }, [this] { ++newCurves; }});
    }

    // Queues the answers for the next showings of the dialog.
    void script(QList<DialogScript> steps) {
        scripts = std::move(steps);
        armDialog();
    }

    [[nodiscard]] QStringList rows() const {
        QStringList list;
        for (int i = 0; i < page.lstKrivka->count(); ++i)
            list.append(page.lstKrivka->item(i)->text());
        return list;
    }

    void fill(int points) {
        for (int i = 0; i < points; ++i)
            QVERIFY(table.append(float(i), float(10 * i)));
        editor->FillCurveList();
    }

    CurvePage page;
    CurveTable table;
    frmOrvoCalibInputBox dialog;
    ScriptedMessages messages;
    text::LanguageTable texts;
    std::unique_ptr<CurveEditor> editor;
    float live = 0.0F;
    int newCurves = 0;
    int dialogsShown = 0;
    QStringList shownTexts;

private:
    void armDialog() {
        QTimer::singleShot(0, &dialog, [this] {
            if (dialog.isVisible()) {
                ++dialogsShown;
                shownTexts = {dialog.txtCalBod[0]->text(), dialog.txtCalBod[1]->text()};
                const DialogScript step = scripts.takeFirst();
                if (step.cancel) {
                    QTest::keyClick(&dialog, Qt::Key_Escape);
                } else {
                    if (!step.signal.isNull())
                        dialog.txtCalBod[0]->setText(step.signal);
                    if (!step.etalon.isNull())
                        dialog.txtCalBod[1]->setText(step.etalon);
                    QTest::keyClick(dialog.txtCalBod[1], Qt::Key_Return);
                }
            }
            if (!scripts.isEmpty())
                armDialog();
        });
    }

    QList<DialogScript> scripts;
};

} // namespace

class CurveEditorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void captureTakesTheLiveSignalAndSelectsThePoint() {
        Rig rig;
        rig.fill(2);
        rig.live = 0.5F;
        rig.script({{QString(), "12,5"}});
        rig.editor->CaptureSignalPoint();
        QCOMPARE(rig.shownTexts.first(), QString("    0.50000"));
        QCOMPARE(rig.table.PointCount(), 3);
        QCOMPARE(rig.table.point(2).signal, 0.5F);
        QCOMPARE(rig.table.point(2).etalon, 12.5F);
        QCOMPARE(rig.page.lstKrivka->currentRow(), 1);
        QVERIFY(rig.page.cmdListAction[1]->isEnabled());
        QCOMPARE(rig.page.Label3->text(), QString("3"));
    }

    void capturesInFallingOrderAreListedRising() {
        Rig rig;
        rig.script({{"2", "100"}, {"1", "50"}, {"0", "0"}});
        for (int i = 0; i < 3; ++i)
            rig.editor->CaptureSignalPoint();
        QCOMPARE(rig.rows(),
                 QStringList({"   0.000    0.00  ", "   1.000   50.00  ", "   2.000  100.00  "}));
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void cancelStoresNothingButConfirmedSentinelIsStored() {
        Rig rig;
        rig.script({{QString(), QString(), true}, {"1", "999999"}});
        rig.editor->AddCurvePoint();
        QCOMPARE(rig.table.PointCount(), 0);
        rig.editor->AddCurvePoint();
        QCOMPARE(rig.table.PointCount(), 1);
        QCOMPARE(rig.table.point(1).etalon, 999999.0F);
    }

    void fullTable() {
        Rig rig;
        rig.fill(CurveTable::SlotCount);
        rig.editor->AddCurvePoint(); // refused before the dialog
        QCOMPARE(rig.dialogsShown, 0);
        QCOMPARE(rig.messages.texts(), QStringList{CurveEditor::TableFullMessage});
        rig.script({{"99", "99"}});
        rig.editor->CaptureSignalPoint(); // refused after the dialog
        QCOMPARE(rig.dialogsShown, 1);
        QCOMPARE(rig.messages.texts().last(), QString("T67"));
        QCOMPARE(rig.table.PointCount(), CurveTable::SlotCount);
    }

    void duplicateSignalIsKeptAndReported() {
        Rig rig;
        rig.fill(2);
        rig.script({{"1", "77"}});
        rig.editor->AddCurvePoint();
        QCOMPARE(rig.table.PointCount(), 3);
        QCOMPARE(rig.messages.texts(), QStringList{"T44 1 T43"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.page.lstKrivka->currentRow(), 1); // the first of the two equal signals
    }

    void editByDoubleClick() {
        Rig rig;
        rig.fill(3);
        rig.editor->EditCurvePoint(); // nothing selected: nothing happens
        QCOMPARE(rig.dialogsShown, 0);
        rig.page.lstKrivka->setCurrentRow(0);
        rig.script({{"5", QString()}});
        emit rig.page.lstKrivka->itemDoubleClicked(rig.page.lstKrivka->item(0));
        QCOMPARE(rig.shownTexts, QStringList({"    0.00000", "  0.00  "}));
        QCOMPARE(rig.table.point(3).signal, 5.0F); // sorted to the end
        QCOMPARE(rig.table.point(3).etalon, 0.0F);
        QCOMPARE(rig.page.lstKrivka->selectedItems().size(), 0);
    }

    void deleteAndClear() {
        Rig rig;
        rig.editor->ClearCurvePoints();
        QCOMPARE(rig.messages.texts(), QStringList{"T72"});
        rig.editor->DeleteCurvePoint();
        QCOMPARE(rig.messages.texts().last(), QString("T62"));

        rig.fill(1);
        rig.page.lstKrivka->setCurrentRow(0);
        rig.messages.answer(text::MsgAnswer::No);
        rig.editor->DeleteCurvePoint();
        QCOMPARE(rig.messages.texts().last(), QString("T63 0.00   kg     ?"));
        QCOMPARE(rig.table.PointCount(), 1);
        rig.messages.answer(text::MsgAnswer::Yes);
        rig.editor->DeleteCurvePoint();
        QCOMPARE(rig.table.PointCount(), 0);
        QCOMPARE(rig.page.lstKrivka->count(), 0);
        QVERIFY(!rig.page.cmdListAction[2]->isEnabled());

        rig.fill(3);
        rig.messages.answer(text::MsgAnswer::Yes);
        rig.editor->ClearCurvePoints();
        QCOMPARE(rig.table.PointCount(), 0);
        QCOMPARE(rig.page.lstKrivka->count(), 0);
    }

    void newCurveEmptiesTheList() {
        Rig rig;
        rig.fill(4);
        rig.editor->NewCurve(); // No is the default answer
        QCOMPARE(rig.table.PointCount(), 4);
        rig.messages.answer(text::MsgAnswer::Yes);
        rig.editor->NewCurve();
        QCOMPARE(rig.newCurves, 1);
        QCOMPARE(rig.page.lstKrivka->count(), 0);
        QCOMPARE(rig.table.PointCount(), 0);
    }
};

QTEST_MAIN(CurveEditorTest)
#include "tst_curveeditor.moc"
