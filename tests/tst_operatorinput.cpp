#include "app/frmOrvoCalibration.h"
#include "calibration/CurvePage.h"
#include "calibration/CurveTable.h"
#include "calibration/PointDialog.h"
#include "calibration/SystemCalibrationFrame.h"
#include "sensor/SensorPage.h"
#include "tests/support/WindowRig.h"

#include <QLineEdit>
#include <QLocale>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>

using ui::MsgAnswer;

namespace {

constexpr int InstrumentPort = 2;
const QString CzechDescription = QStringLiteral("Měřicí čidlo žluté");

struct Rig : testsupport::WindowRig {
    Rig() {
        QString text;
        for (int n = 1; n <= 99; ++n)
            text += QStringLiteral("%1=T%1\r\n").arg(n);
        writeLanguageFile(text);
        line.attach(InstrumentPort);
        portSetting.setComPort(InstrumentPort);
    }
    sim::Instrument& instrument() { return line.instrument(InstrumentPort); }
    app::frmOrvoCalibration& to(int step, const QString& commandLine = {}) {
        start(commandLine);
        if (!activate())
            qWarning("the window did not become active");
        while (window->shellState().WizardStep < step && !window->hasEnded())
            next();
        instrument().clearLog();
        messages.clear();
        return *window;
    }
    void next() { QTest::mouseClick(window->cmdNext, Qt::LeftButton); }
    [[nodiscard]] int sent(const QByteArray& command) {
        int count = 0;
        for (const QByteArray& frame : instrument().frames())
            count += frame.startsWith("$00" + command) ? 1 : 0;
        return count;
    }
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
        const bool tooLarge = text == QStringLiteral("1e39");
        if (box.startsWith(QStringLiteral("txtsk")) || box == QStringLiteral("SIG") ||
            box == QStringLiteral("ETH")) {
            if (box.startsWith(QStringLiteral("txtsk"))) {
                app::frmOrvoCalibration& window = rig.to(3, QStringLiteral("expert"));
                calibration::SystemCalibrationFrame& frame = *window.fraORVOSETUP;
                (box == QStringLiteral("txtskN") ? frame.txtskN : frame.txtskK)[0]->setText(text);
                frame.cmdSKSave->click();
                if (tooLarge)
                    QCOMPARE(rig.sent("EW"), 0);
                if (rig.sent("EW") == 0)
                    QVERIFY(!rig.messages.shown.isEmpty());
                rig.messages.clear();
                rig.instrument().clearLog();
                frame.cmdLoadDef->click();
                frame.cmdSKSave->click();
                QVERIFY(rig.sent("EW") > 0);
                QVERIFY(rig.messages.shown.isEmpty());
            } else {
                app::frmOrvoCalibration& window = rig.to(3);
                const std::size_t index = box == QStringLiteral("SIG") ? 0 : 1;
                const calibration::CurveTable& table = window.curveTable();
                const int start = table.PointCount();
                rig.addPoint(index, text);
                if (tooLarge)
                    QCOMPARE(table.PointCount(), start);
                for (int slot = 1; slot <= table.PointCount(); ++slot)
                    QVERIFY(std::isfinite(table.point(slot).signal) &&
                            std::isfinite(table.point(slot).etalon));
                const int before = table.PointCount();
                rig.addPoint(index, QStringLiteral("2.5"));
                QCOMPARE(table.PointCount(), before + 1);
                QVERIFY(!window.InputBox().isVisible());
            }
            return;
        }
        app::frmOrvoCalibration& window = rig.to(2);
        sensor::SensorPage& page = *window.fraSNIMAC;
        const QMap<QString, QLineEdit*> boxes{
            {QStringLiteral("txtPopis"), page.txtPopis},
            {QStringLiteral("txtJednotka"), page.txtJednotka},
            {QStringLiteral("txtRozsah"), page.txtRozsah},
            {QStringLiteral("txtRozsahNeg"), page.txtRozsahNeg},
            {QStringLiteral("txtOverloadProc"), page.txtOverloadProc}};
        QLineEdit* edit = boxes.value(box);
        QVERIFY(edit);
        const QString original = edit->text();
        edit->setText(text);
        rig.messages.answer(MsgAnswer::Yes);
        page.cmdAction[1]->click();
        // A range the float code cannot hold is refused before any write; Next checks the rest.
        if (tooLarge && box.startsWith(QStringLiteral("txtRozsah")))
            QCOMPARE(rig.sent("KW"), 0);
        rig.instrument().clearLog();
        rig.messages.answer(MsgAnswer::Yes);
        rig.next();
        if (tooLarge && box != QStringLiteral("txtPopis") && box != QStringLiteral("txtJednotka")) {
            QCOMPARE(window.shellState().WizardStep, 2);
            QCOMPARE(rig.sent("KW"), 0);
            QVERIFY(!rig.messages.shown.isEmpty());
        }
        QVERIFY(!window.hasEnded());
        edit->setText(original);
        rig.messages.clear();
        for (int i = 0; i < 3; ++i)
            rig.messages.answer(MsgAnswer::Yes);
        if (window.shellState().WizardStep == 2)
            rig.next();
        QCOMPARE(window.shellState().WizardStep, 3);
    }

    void czechDescriptionSurvivesWriteAndReadBack() {
        Rig rig;
        app::frmOrvoCalibration& window = rig.to(2);
        window.fraSNIMAC->txtPopis->setText(CzechDescription);
        rig.messages.answer(MsgAnswer::Yes);
        window.fraSNIMAC->cmdAction[1]->click();
        QVERIFY(rig.sent("KW") > 0);
        QTest::mouseClick(window.cmdBack, Qt::LeftButton);
        window.fraSNIMAC->txtPopis->clear();
        rig.next();
        QCOMPARE(window.shellState().WizardStep, 2);
        QCOMPARE(window.fraSNIMAC->txtPopis->text().trimmed(), CzechDescription);
        const QByteArray bytes("M\xEC\xF8ic\xED \xE8idlo \x9Elut\xE9");
        QVERIFY(rig.instrument().block(rig.instrument().activeBlock()).contains(bytes));
    }
};

QTEST_MAIN(OperatorInputTest)
#include "tst_operatorinput.moc"
