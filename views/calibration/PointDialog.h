#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace text {
class LanguageTable;
}

namespace calibration {

// The small modal window in which the operator confirms or types one calibration point. The
// caller sets the public fields, shows the dialog and reads SIG and ETH back; the fields keep
// their values between showings.
class frmOrvoCalibInputBox : public QDialog {
    Q_OBJECT
public:
    // ETH after a cancel. A confirmed point may hold this value too: ask confirmed().
    static constexpr float CancelledEtalon = 999999.0f;

    explicit frmOrvoCalibInputBox(QWidget* parent = nullptr);

    // The title, the etalon's caption and the cancel button in the program's language.
    void applyTexts(const text::LanguageTable& texts);

    // Shows the dialog modally with the fields as they are; true when the operator confirmed.
    [[nodiscard]] bool ask();
    // Sets SIG, ETH and ETHFormat, and SignalFocus when given, then asks.
    [[nodiscard]] bool ask(float signal, float etalon, const QString& etalonFormat,
                           std::optional<bool> signalFocus);
    // The dialog opens beside the main window, else beside this control, never over it.
    void keepClearOf(const QWidget* control) { keepClear_ = control; }
    // Whether the last showing ended with OK.
    [[nodiscard]] bool confirmed() const { return confirmed_; }

    // Fills both boxes from the fields and puts the focus, with its text selected, into the
    // signal box when SignalFocus is set, else into the etalon box.
    void UPDATE();

    // Takes both boxes into SIG and ETH and closes; stays open, with the box selected, while a
    // box holds a number the instrument cannot store.
    void accept() override;
    // Cancel, Esc and the window's close control: ETH becomes CancelledEtalon, SIG stays.
    void reject() override;

    float SIG = 0.0f;
    float ETH = 0.0f;
    QString ETHFormat;
    bool SignalFocus = true;

    // Index 0 is the signal row, 1 the etalon row; the dialog owns the controls.
    const std::array<QLabel*, 2> lblSigEth;
    const std::array<QLineEdit*, 2> txtCalBod;
    // Index 0 "&OK" (default button), 1 "&Storno" (cancel).
    const std::array<QPushButton*, 2> cmdOK;

protected:
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectBox(std::size_t index);
    void placeClear();

    bool confirmed_ = false;
    const QWidget* keepClear_ = nullptr;
};

} // namespace calibration
