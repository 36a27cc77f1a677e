#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLineEdit;
class QRadioButton;
class QSettings;
class QLabel;
namespace text {
class LanguageTable;
}
namespace records {
class LabRecords;
}

namespace app {

// Where the records of this bench are kept: this computer only, or a laboratory's server
// (QSettings key records/database). Taken at the next start of the program.
class DatabaseDialog : public QDialog {
    Q_OBJECT
public:
    // Empty when a store at `address` can be used, else why not.
    using Tester = std::function<QString(const QString& address)>;
    DatabaseDialog(QSettings& settings, const text::LanguageTable& texts, Tester test,
                   QWidget* parent);

    void accept() override;

private:
    [[nodiscard]] QString address() const;
    [[nodiscard]] bool refusedPassword();

    QSettings& settings_;
    const text::LanguageTable& texts_;
    Tester test_;
    QRadioButton* optLocal;
    QRadioButton* optServer;
    QLineEdit* txtAddress;
    QLabel* lblAnswer;
};

// Puts the dialog on the main window's context menu.
void addDatabaseDialog(QWidget& mainWindow, QSettings& settings, const text::LanguageTable& texts,
                       DatabaseDialog::Tester test);

// Uploads the waiting records now and every 5 minutes while the window lives, and shows in the
// window's title how many still wait.
void keepUploading(QWidget& mainWindow, records::LabRecords& lab, const text::LanguageTable& texts);

} // namespace app
