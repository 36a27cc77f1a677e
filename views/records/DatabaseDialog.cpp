#include "views/records/DatabaseDialog.h"

#include "core/records/LabRecords.h"
#include "core/text/LanguageTable.h"
#include "views/common/Controls.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <memory>

namespace app {

namespace {

constexpr int WaitingText = 471;
constexpr int TitleText = 473;
constexpr int LocalText = 474;
constexpr int ServerText = 475;
constexpr int TestText = 476;
constexpr int PasswordText = 477;
constexpr int WorksText = 478;
constexpr int NextStartText = 479;

const QString DatabaseKey = QStringLiteral("records/database");
constexpr std::chrono::minutes UploadEvery{5};

} // namespace

DatabaseDialog::DatabaseDialog(QSettings& settings, const text::LanguageTable& texts, Tester test,
                               QWidget* parent)
    : QDialog(parent), settings_(settings), texts_(texts), test_(std::move(test)),
      optLocal(new QRadioButton(texts.text(LocalText), this)),
      optServer(new QRadioButton(texts.text(ServerText), this)), txtAddress(new QLineEdit(this)),
      lblAnswer(new QLabel(
          texts.text(PasswordText) + QStringLiteral("\n") + texts.text(NextStartText), this)) {
    setObjectName(QStringLiteral("databaseDialog"));
    setWindowTitle(texts.text(TitleText));
    txtAddress->setObjectName(QStringLiteral("txtAddress"));
    lblAnswer->setWordWrap(true);
    const QString now = settings_.value(DatabaseKey).toString();
    txtAddress->setText(now);
    (now.isEmpty() ? optLocal : optServer)->setChecked(true);
    txtAddress->setEnabled(!now.isEmpty());
    connect(optServer, &QRadioButton::toggled, txtAddress, &QLineEdit::setEnabled);
    auto* btnTest = new QPushButton(texts.text(TestText), this);
    btnTest->setObjectName(QStringLiteral("btnTest"));
    connect(btnTest, &QPushButton::clicked, this, [this] {
        if (refusedPassword() || !test_)
            return;
        const QString problem = test_(address());
        lblAnswer->setText(problem.isEmpty() ? texts_.text(WorksText) : problem);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &DatabaseDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DatabaseDialog::reject);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* each : std::initializer_list<QWidget*>{optLocal, optServer, txtAddress, btnTest,
                                                         lblAnswer, buttons})
        layout->addWidget(each);
}

QString DatabaseDialog::address() const {
    return optServer->isChecked() ? txtAddress->text().trimmed() : QString();
}

bool DatabaseDialog::refusedPassword() {
    if (!records::addressCarriesPassword(address()))
        return false;
    lblAnswer->setText(texts_.text(PasswordText));
    return true;
}

void DatabaseDialog::accept() {
    if (refusedPassword())
        return;
    if (address().isEmpty())
        settings_.remove(DatabaseKey);
    else
        settings_.setValue(DatabaseKey, address());
    QDialog::accept();
}

void addDatabaseDialog(QWidget& mainWindow, QSettings& settings, const text::LanguageTable& texts,
                       DatabaseDialog::Tester test) {
    QAction* open =
        ui::makeAction(mainWindow, QStringLiteral("databaseAction"), {}, texts.text(TitleText));
    ui::offerInContextMenu(*open);
    QObject::connect(open, &QAction::triggered, &mainWindow,
                     [&mainWindow, &settings, &texts, test] {
                         DatabaseDialog dialog(settings, texts, test, &mainWindow);
                         (void)dialog.exec();
                     });
}

void keepUploading(QWidget& mainWindow, records::LabRecords& lab,
                   const text::LanguageTable& texts) {
    auto shown = std::make_shared<QString>(); // what was added to the title
    const auto upload = [&mainWindow, &lab, &texts, shown] {
        const records::SyncResult result = lab.sync();
        QString title = mainWindow.windowTitle();
        if (!shown->isEmpty() && title.endsWith(*shown))
            title.chop(shown->size());
        *shown = result.waiting > 0
                     ? QStringLiteral(" - ") + texts.text(WaitingText).arg(result.waiting)
                     : QString();
        mainWindow.setWindowTitle(title + *shown);
    };
    auto* timer = new QTimer(&mainWindow);
    timer->setInterval(UploadEvery);
    QObject::connect(timer, &QTimer::timeout, &mainWindow, upload);
    timer->start();
    QTimer::singleShot(0, &mainWindow, upload);
}

} // namespace app
