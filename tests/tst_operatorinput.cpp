#include "core/calibration/CurveTable.h"
#include "tests/support/WindowRig.h"
#include "views/CurvePage.h"
#include "views/PointDialog.h"
#include "views/SensorPage.h"
#include "views/SystemCalibrationFrame.h"
#include "views/frmOrvoCalibration.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>

using text::MsgAnswer;

namespace {

constexpr int InstrumentPort = 2;

struct Rig : testsupport::InstrumentRig {
    Rig() : InstrumentRig(InstrumentPort) {}
    app::frmOrvoCalibration& to(int step, const QString& commandLine = {}) {
        startActive(commandLine);
        while (static_cast<int>(window->session().step()) < step && !window->hasEnded())
            next();
        instrument().clearLog();
        messages.clear();
        return *window;
    }
    [[nodiscard]] qsizetype sent(const QByteArray& command) { return framesOf(command).size(); }
    // Adds a point through "Přidat bod", typing `text` into box `index`; a rejected entry is
    // cancelled so the dialog cannot stay open.
    void addPoint(std::size_t index, const QString& text) {
        calibration::frmOrvoCalibInputBox& dialog = window->InputBox();
        QTimer::singleShot(0, &dialog, [&dialog, index, text] {
            dialog.txtCalBod[index]->setText(text);
            dialog.cmdOK[0]->click();
            if (dialog.isVisible())
                dialog.reject();
        });
        window->fraCURVE->cmdListAction[0]->click();
    }
};

} // namespace

// Czech text written to and read back from the sensor is tst_endtoend's and tst_sensorimage's.
class OperatorInputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void everyBoxTakesAnyText_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        const QStringList inputs{QString(),
                                 QStringLiteral("   "),
                                 QStringLiteral("abc"),
                                 QString(10000, u'7'),
                                 QStringLiteral("1e39"),
                                 QStringLiteral("-0"),
                                 QStringLiteral("NaN"),
                                 QStringLiteral("inf"),
                                 QStringLiteral("1,5.2"),
                                 QStringLiteral("ěščřžýáíé")};
        for (const char* box : {"txtPopis", "txtJednotka", "txtRozsah", "txtRozsahNeg",
                                "txtOverloadProc", "txtskN", "txtskK", "SIG", "ETH"})
            for (int i = 0; i < inputs.size(); ++i)
                QTest::addRow("%s-%d", box, i) << QString::fromLatin1(box) << inputs[i];
    }

    void everyBoxTakesAnyText() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        Rig rig;
        // A number too large for the instrument in a calibration box or the point dialog is
        // tst_systemcalibration's and tst_pointdialog's.
        const bool tooLarge = text == u"1e39";
        if (box.startsWith(u"txtsk")) {
            calibration::SystemCalibrationFrame& frame =
                *rig.to(3, QStringLiteral("expert")).fraORVOSETUP;
            (box == u"txtskN" ? frame.txtskN : frame.txtskK)[0]->setText(text);
            frame.cmdSKSave->click();
            if (rig.sent("EW") == 0)
                QVERIFY(!rig.messages.shown.isEmpty());
            rig.messages.clear();
            rig.instrument().clearLog();
            frame.cmdLoadDef->click();
            frame.cmdSKSave->click();
            QVERIFY(rig.sent("EW") > 0);
            QVERIFY(rig.messages.shown.isEmpty());
            return;
        }
        if (box == u"SIG" || box == u"ETH") {
            app::frmOrvoCalibration& window = rig.to(3);
            const std::size_t index = box == u"SIG" ? 0 : 1;
            const calibration::CurveTable& table = window.session().curve();
            rig.addPoint(index, text);
            for (int slot = 1; slot <= table.PointCount(); ++slot)
                QVERIFY(std::isfinite(table.point(slot).signal) &&
                        std::isfinite(table.point(slot).etalon));
            const int before = table.PointCount();
            rig.addPoint(index, QStringLiteral("2.5"));
            QCOMPARE(table.PointCount(), before + 1);
            QVERIFY(!window.InputBox().isVisible());
            return;
        }
        app::frmOrvoCalibration& window = rig.to(2);
        sensor::SensorPage& page = *window.fraSNIMAC;
        auto* edit = page.findChild<QLineEdit*>(box);
        QVERIFY(edit);
        const QString original = edit->text();
        edit->setText(text);
        rig.messages.answer(MsgAnswer::Yes);
        page.cmdAction[1]->click();
        // A range the float code cannot hold is refused before any write; Next checks the rest.
        if (tooLarge && box.startsWith(u"txtRozsah"))
            QCOMPARE(rig.sent("KW"), 0);
        rig.instrument().clearLog();
        rig.messages.answer(MsgAnswer::Yes);
        rig.next();
        if (tooLarge && box != u"txtPopis" && box != u"txtJednotka") {
            QCOMPARE(static_cast<int>(window.session().step()), 2);
            QCOMPARE(rig.sent("KW"), 0);
            QVERIFY(!rig.messages.shown.isEmpty());
        }
        QVERIFY(!window.hasEnded());
        edit->setText(original);
        rig.messages.clear();
        for (int i = 0; i < 3; ++i)
            rig.messages.answer(MsgAnswer::Yes);
        if (static_cast<int>(window.session().step()) == 2)
            rig.next();
        QCOMPARE(static_cast<int>(window.session().step()), 3);
    }
};

QTEST_MAIN(OperatorInputTest)
#include "tst_operatorinput.moc"
