#pragma once

#include "core/records/CalibrationRecorder.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;

namespace records {
class RecordKeeper;
}
namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace app {

// Who calibrates, against which reference standard, at which temperature and humidity: shown as
// remembered and changed as typed (detailsChanged). A new standard is added to the store here.
// Not modal; what the store requires of every calibration is said at the top.
class LabDetailsWindow : public QWidget {
    Q_OBJECT
public:
    struct Sources {
        records::RecordKeeper& store;
        const text::LanguageTable& texts;
        text::MessageService& messages;
    };

    LabDetailsWindow(Sources sources, const records::CalibrationDetails& details, QWidget* parent);

    [[nodiscard]] const records::CalibrationDetails& details() const { return details_; }
    // The store's standards and requirements anew.
    void refresh();

    QLabel* const lblRequired;
    QLineEdit* const txtOperator;
    QComboBox* const cmbStandard;
    QLineEdit* const txtTemperature;
    QLineEdit* const txtHumidity;
    QLabel* const lblProblem;
    QLineEdit* const txtName;
    QLineEdit* const txtSerial;
    QLineEdit* const txtCertificate;
    QDateEdit* const dteCalibrated;
    QDateEdit* const dteDue;
    QPushButton* const cmdAddStandard;

signals:
    void detailsChanged(const records::CalibrationDetails& details);

private:
    void takeConditions();
    void chooseStandard(int index);
    void addStandard();

    Sources sources_;
    records::CalibrationDetails details_;
};

// The details window on the main window (F2 and the main window's context menu), the details
// remembered in `settings` and given to `handOver` at once and at every change (the recorder's
// setDetails). Returns the check that a calibration point's capture passes first: false refuses
// the capture (and opens the window) while the store requires an entry that is empty; a standard
// past its due date is warned about.
using DetailsHandOver = std::function<void(const records::CalibrationDetails&)>;
[[nodiscard]] std::function<bool()> addLabDetailsWindow(QWidget& mainWindow,
                                                        LabDetailsWindow::Sources sources,
                                                        QSettings& settings,
                                                        DetailsHandOver handOver);

} // namespace app
