#include "views/session/ActionWiring.h"

#include "core/instrument/SerialLine.h"
#include "core/sensor/SensorId.h"
#include "core/session/SensorSave.h"
#include "core/session/Session.h"
#include "core/session/SystemCalibration.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurveSheet.h"
#include "views/instrument/SystemCalibrationFrame.h"
#include "views/sensor/SensorPage.h"
#include "views/sensor/SensorPageLogic.h"

#include <QDate>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>

namespace app {

std::unique_ptr<calibration::CurveEditor> makeCurveEditor(const WindowParts& parts,
                                                          session::Session& session,
                                                          calibration::frmOrvoCalibInputBox& dialog,
                                                          const text::LanguageTable& texts) {
    calibration::CurveEditor::Sources sources{
        [&session]() -> std::optional<float> {
            return session.signalFresh() ? std::optional(session.live().SignalMVV) : std::nullopt;
        },
        [&session] { return session.sensors().CurrentSensor.UnitFormat.text(); },
        [&session] { return session.sensors().CurrentSensor.UnitName.text(); },
        [&session] { session.sensors().CurrentSensor.CurvePointCount = 0; },
        [&session] { return session.line().portNumber(); },
    };
    auto editor = std::make_unique<calibration::CurveEditor>(parts.fraCURVE, session.curve(),
                                                             dialog, session.outlets().messages,
                                                             texts, std::move(sources));
    const sensor::SensorPage& page = parts.fraSNIMAC;
    editor->setCurveScale(
        [&session, &page, &texts] { return calibration::curveSheet(session, page, texts).scale; });
    return editor;
}

std::unique_ptr<sensor::SensorPageLogic>
makeSensorPageLogic(const WindowParts& parts, session::Session& session,
                    const text::LanguageTable& texts, calibration::CurveEditor& curveEditor) {
    sensor::SensorPageLogic::Sources sources{
        [&session] { return session.live().DisplayDigits; },
        [] { return QDateTime::currentDateTime(); },
        sensor::clockSeededRandom(),
    };
    auto logic = std::make_unique<sensor::SensorPageLogic>(
        parts.fraSNIMAC, session.curve(), session.sensors(), session.outlets().messages, texts,
        std::move(sources));
    QObject::connect(logic.get(), &sensor::SensorPageLogic::curveTableChanged, &curveEditor,
                     &calibration::CurveEditor::FillCurveList);
    return logic;
}

std::unique_ptr<session::SystemCalibration> makeSystemCalibration(const WindowParts& parts,
                                                                  session::Session& session) {
    auto calibration = std::make_unique<session::SystemCalibration>(session);
    calibration::SystemCalibrationFrame& frame = parts.fraORVOSETUP;
    for (std::size_t i = 0; i < calibration::SystemCalibrationFrame::Ranges; ++i) {
        const auto range = static_cast<int>(i);
        QObject::connect(
            frame.txtskN[i], &QLineEdit::textChanged, &session,
            [&session, range](const QString& text) { session.setRangeZeroText(range, text); });
        QObject::connect(
            frame.txtskK[i], &QLineEdit::textChanged, &session,
            [&session, range](const QString& text) { session.setRangeKText(range, text); });
    }
    const auto showConstants = [&session, &frame] {
        const device::SystemConstants& constants = session.constants();
        for (std::size_t i = 0; i < calibration::SystemCalibrationFrame::Ranges; ++i) {
            if (frame.txtskN[i]->text() != constants.zero[i])
                frame.txtskN[i]->setText(constants.zero[i]);
            if (frame.txtskK[i]->text() != constants.k[i])
                frame.txtskK[i]->setText(constants.k[i]);
        }
    };
    QObject::connect(&session, &session::Session::constantsChanged, &frame, showConstants);
    showConstants();

    session::SystemCalibration& actions = *calibration;
    QObject::connect(frame.cmdSKSetNula, &QPushButton::clicked, &frame,
                     [&actions] { actions.SetNula(); });
    QObject::connect(frame.cmdSKSetGain, &QPushButton::clicked, &frame,
                     [&actions] { actions.SetGain2mVV(); });
    QObject::connect(frame.cmdLoadDef, &QPushButton::clicked, &frame,
                     [&actions] { actions.LoadDefaultConstants(); });
    QObject::connect(frame.cmdSKSave, &QPushButton::clicked, &frame, [&actions, &session] {
        (void)session.runner().run(
            [&actions](const device::Link& link) { actions.SaveSystemCalibration(link); });
    });
    QObject::connect(frame.cmdReset, &QPushButton::clicked, &frame, [&actions, &session] {
        (void)session.runner().run(
            [&actions](const device::Link& link) { actions.ResetInstrument(link); });
    });
    return calibration;
}

std::unique_ptr<session::SensorSave> makeSensorSave(const WindowParts& parts,
                                                    session::Session& session,
                                                    sensor::SensorPageLogic& pageLogic) {
    auto save = std::make_unique<session::SensorSave>(
        session, session::SensorSave::Sources{
                     [&pageLogic](std::uint8_t options) { return pageLogic.TXT2XXX(options); },
                     [] { return QDate::currentDate(); },
                 });
    session::SensorSave& actions = *save;
    // The page's save button checks the page as Next does before it asks, so it never writes what
    // Next refuses.
    QObject::connect(parts.fraSNIMAC.cmdAction[1], &QPushButton::clicked, &parts.fraSNIMAC,
                     [&actions, &session, &pageLogic] {
                         (void)session.runner().run(
                             [&actions, &pageLogic](const device::Link& link) {
                                 if (pageLogic.ValidateSensorPage())
                                     actions.ConfirmAndSave(link);
                             });
                     });
    return save;
}

} // namespace app
