#include "views/records/LabDetailsWindow.h"

#include "core/records/LabDetails.h"
#include "core/records/RecordStore.h"
#include "core/records/RequiredEntries.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/common/Controls.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace app {

namespace {

constexpr int EntryText = 414;
constexpr int TitleText = 415;
constexpr int OperatorText = 416;
constexpr int StandardText = 417;
constexpr int TemperatureText = 418;
constexpr int HumidityText = 419;
constexpr int NoStandardText = 420;
constexpr int NewStandardText = 421;
constexpr int NameText = 422;
constexpr int SerialText = 423;
constexpr int CertificateText = 424;
constexpr int CalibratedText = 425;
constexpr int DueText = 426;
constexpr int AddStandardText = 427;
constexpr int ConditionsProblemText = 428;
constexpr int RequiredText = 429;
constexpr int StandardProblemText = 434;

QString numberText(const std::optional<double>& value) {
    return value ? QString::number(*value, 'g', 10) : QString();
}

} // namespace

LabDetailsWindow::LabDetailsWindow(Sources sources, const records::CalibrationDetails& details,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window),
      lblRequired(ui::makeControl<QLabel>(this, QStringLiteral("lblRequired"))),
      txtOperator(ui::makeControl<QLineEdit>(this, QStringLiteral("txtOperator"))),
      cmbStandard(ui::makeControl<QComboBox>(this, QStringLiteral("cmbStandard"))),
      txtTemperature(ui::makeControl<QLineEdit>(this, QStringLiteral("txtTemperature"))),
      txtHumidity(ui::makeControl<QLineEdit>(this, QStringLiteral("txtHumidity"))),
      lblProblem(ui::makeControl<QLabel>(this, QStringLiteral("lblProblem"))),
      txtName(ui::makeControl<QLineEdit>(this, QStringLiteral("txtName"))),
      txtSerial(ui::makeControl<QLineEdit>(this, QStringLiteral("txtSerial"))),
      txtCertificate(ui::makeControl<QLineEdit>(this, QStringLiteral("txtCertificate"))),
      dteCalibrated(ui::makeControl<QDateEdit>(this, QStringLiteral("dteCalibrated"))),
      dteDue(ui::makeControl<QDateEdit>(this, QStringLiteral("dteDue"))),
      cmdAddStandard(ui::makeControl<QPushButton>(this, QStringLiteral("cmdAddStandard"))),
      sources_(sources), details_(details) {
    const text::LanguageTable& texts = sources_.texts;
    setObjectName(QStringLiteral("frmLabDetails"));
    setWindowTitle(texts.text(TitleText));
    ui::setTextColour(*lblProblem, Qt::darkRed);
    lblProblem->setWordWrap(true);
    lblProblem->setText(texts.text(ConditionsProblemText));
    txtOperator->setText(details_.operatorName);
    txtTemperature->setText(numberText(details_.temperature));
    txtHumidity->setText(numberText(details_.humidity));
    for (QDateEdit* date : {dteCalibrated, dteDue}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("d.M.yyyy"));
    }
    dteCalibrated->setDate(QDate::currentDate());
    dteDue->setDate(QDate::currentDate().addYears(1));
    cmdAddStandard->setText(texts.text(AddStandardText));

    auto* form = new QFormLayout;
    form->addRow(lblRequired);
    form->addRow(texts.text(OperatorText), txtOperator);
    form->addRow(texts.text(StandardText), cmbStandard);
    form->addRow(texts.text(TemperatureText), txtTemperature);
    form->addRow(texts.text(HumidityText), txtHumidity);
    form->addRow(lblProblem);
    auto* added = new QGroupBox(texts.text(NewStandardText), this);
    auto* standardForm = new QFormLayout(added);
    standardForm->addRow(texts.text(NameText), txtName);
    standardForm->addRow(texts.text(SerialText), txtSerial);
    standardForm->addRow(texts.text(CertificateText), txtCertificate);
    standardForm->addRow(texts.text(CalibratedText), dteCalibrated);
    standardForm->addRow(texts.text(DueText), dteDue);
    standardForm->addRow(cmdAddStandard);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(added);

    // Only what the operator changes is taken: a standard the store cannot list now stays chosen.
    connect(txtOperator, &QLineEdit::textEdited, this, [this](const QString& name) {
        details_.operatorName = name.trimmed();
        emit detailsChanged(details_);
    });
    connect(cmbStandard, &QComboBox::activated, this, &LabDetailsWindow::chooseStandard);
    connect(txtTemperature, &QLineEdit::textEdited, this, &LabDetailsWindow::takeConditions);
    connect(txtHumidity, &QLineEdit::textEdited, this, &LabDetailsWindow::takeConditions);
    connect(cmdAddStandard, &QPushButton::clicked, this, &LabDetailsWindow::addStandard);
    takeConditions();
    refresh();
}

void LabDetailsWindow::refresh() {
    const text::LanguageTable& texts = sources_.texts;
    const records::StoreSettings rules = sources_.store.settings();
    const std::vector<records::RequiredEntry> required =
        records::missingEntries(rules, {}, {}, false);
    lblRequired->setText(texts.text(RequiredText).arg(records::entryNames(texts, required)));
    lblRequired->setVisible(!required.empty());
    cmbStandard->clear();
    cmbStandard->addItem(texts.text(NoStandardText), QString());
    for (const records::ReferenceStandard& standard : sources_.store.standards())
        cmbStandard->addItem(QStringLiteral("%1 (%2), %3 %4")
                                 .arg(standard.name, standard.serial, texts.text(DueText),
                                      standard.dueOn.toString(QStringLiteral("d.M.yyyy"))),
                             standard.uuid);
    cmbStandard->setCurrentIndex(std::max(0, cmbStandard->findData(details_.standardUuid)));
}

void LabDetailsWindow::takeConditions() {
    const records::ConditionText temperature = records::temperatureOf(txtTemperature->text());
    const records::ConditionText humidity = records::humidityOf(txtHumidity->text());
    lblProblem->setVisible(!temperature.valid || !humidity.valid);
    const records::CalibrationDetails before = details_;
    details_.temperature = temperature.value;
    details_.humidity = humidity.value;
    if (details_ != before)
        emit detailsChanged(details_);
}

void LabDetailsWindow::chooseStandard(int index) {
    details_.standardUuid = cmbStandard->itemData(index).toString();
    emit detailsChanged(details_);
}

void LabDetailsWindow::addStandard() {
    const records::ReferenceStandard standard{{},
                                              txtName->text().trimmed(),
                                              txtSerial->text().trimmed(),
                                              txtCertificate->text().trimmed(),
                                              dteCalibrated->date(),
                                              dteDue->date()};
    if (standard.name.isEmpty() || standard.dueOn < standard.calibratedOn) {
        sources_.messages.inform(sources_.texts.text(StandardProblemText),
                                 text::MsgIcon::Exclamation);
        return;
    }
    const records::WriteResult added = sources_.store.addStandard(standard);
    if (!added.kept()) {
        sources_.messages.inform(added.message, text::MsgIcon::Critical);
        return;
    }
    for (QLineEdit* field : {txtName, txtSerial, txtCertificate})
        field->clear();
    details_.standardUuid = added.uuid;
    refresh();
    emit detailsChanged(details_);
}

std::function<bool()> addLabDetailsWindow(QWidget& mainWindow, LabDetailsWindow::Sources sources,
                                          QSettings& settings, DetailsHandOver handOver) {
    auto remembered = std::make_shared<records::DetailsSetting>(settings);
    auto current = std::make_shared<records::CalibrationDetails>(remembered->load());
    handOver(*current);
    QAction* open = ui::makeAction(mainWindow, QStringLiteral("labDetailsAction"),
                                   QKeySequence(Qt::Key_F2), sources.texts.text(EntryText));
    ui::offerInContextMenu(*open);
    auto window = std::make_shared<QPointer<LabDetailsWindow>>();
    const auto show = [&mainWindow, sources, remembered, current, handOver, window] {
        if (window->isNull()) {
            *window = new LabDetailsWindow(sources, *current, &mainWindow);
            (*window)->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(
                *window, &LabDetailsWindow::detailsChanged, &mainWindow,
                [remembered, current, handOver](const records::CalibrationDetails& details) {
                    *current = details;
                    remembered->save(details);
                    handOver(details);
                });
        } else {
            (*window)->refresh();
        }
        (*window)->show();
        (*window)->raise();
        (*window)->activateWindow();
    };
    QObject::connect(open, &QAction::triggered, &mainWindow, show);
    auto check = std::make_shared<records::CaptureCheck>(sources.store, sources.texts);
    return [sources, current, check, show] {
        const records::CaptureOutcome outcome = check->beforeCapture(*current);
        if (outcome.verdict != records::CaptureVerdict::Go)
            sources.messages.inform(outcome.message, text::MsgIcon::Exclamation);
        if (outcome.verdict != records::CaptureVerdict::Refused)
            return true;
        show();
        return false;
    };
}

} // namespace app
