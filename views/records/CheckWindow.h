#pragma once

#include "core/records/Checks.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QTableWidget;

namespace device {
class Clock;
}
namespace session {
class Session;
}
namespace text {
class LanguageTable;
}

namespace app {

struct WindowParts;

// An as-found or as-left check: the operator types the reference load, waits for the display and
// captures; each row shows the etalon, what the instrument displayed and the error in the unit,
// in % of full scale and in display digits, green within the tolerance and red beyond it. Not
// modal; every change is kept in the CheckResults at once.
class CheckWindow : public QWidget {
    Q_OBJECT
public:
    struct Sources {
        session::Session& session;
        const device::Clock& clock;
        const text::LanguageTable& texts;
        records::CheckResults& results;
        records::ToleranceSetting& tolerance;
    };

    CheckWindow(records::CheckKind kind, Sources sources, QWidget* parent);

    [[nodiscard]] const records::CheckRun& run() const { return run_; }

    QLabel* const lblSensor;
    QLineEdit* const txtTolerance;
    QLineEdit* const txtEtalon;
    QPushButton* const cmdCapture;
    QPushButton* const cmdDelete;
    QTableWidget* const tblPoints;
    QLabel* const lblVerdict;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void capture();
    void deleteSelected();
    void changeTolerance();
    void refresh();
    [[nodiscard]] QString number(double value) const;

    Sources sources_;
    QString sensorId_;
    QString unitFormat_;
    records::CheckRun run_;
};

// The as-found check on the curve page (a context-menu entry of the curve list and its key), and
// the as-left check offered in the message that the sensor was saved, which ends the program when
// closed. `settings` keeps the tolerance of each sensor id. Returns what opens the as-left check.
[[nodiscard]] std::function<void()> addCheckWindows(QWidget& mainWindow, const WindowParts& parts,
                                                    CheckWindow::Sources sources);

} // namespace app
