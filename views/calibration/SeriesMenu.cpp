#include "views/calibration/SeriesMenu.h"

#include "core/text/LanguageTable.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/common/Controls.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QListWidget>
#include <QSpinBox>

namespace calibration {

namespace {

constexpr int PlanText = 570;
constexpr int CountText = 571;
constexpr int FallingText = 572;

std::size_t indexOf(const SeriesStep& step) {
    return static_cast<std::size_t>(2 * (step.series - 1) +
                                    (step.direction == Direction::Falling ? 1 : 0));
}

} // namespace

SeriesMenu::SeriesMenu(CurvePage& page, CurveEditor& editor, SeriesReadings& readings,
                       const text::LanguageTable& texts, QObject* parent)
    : QObject(parent), mSeriesPlan(ui::makeAction(*page.lstKrivka, QStringLiteral("mSeriesPlan"),
                                                  QKeySequence(), texts.text(PlanText))),
      page_(page), texts_(texts), steps_(new QActionGroup(this)) {
    for (int series = 1; series <= SeriesPlan::MaxSeries; ++series)
        for (const Direction direction : {Direction::Rising, Direction::Falling}) {
            const SeriesStep step{series, direction};
            QAction* action =
                ui::makeAction(*page.lstKrivka, QStringLiteral("mSeriesStep%1").arg(indexOf(step)),
                               QKeySequence(), stepText(step, texts));
            action->setCheckable(true);
            steps_->addAction(action);
            stepActions_[indexOf(step)] = action;
        }
    connect(mSeriesPlan, &QAction::triggered, this, &SeriesMenu::askPlan);
    editor.setSeries({readings, [this] { return step(); }});
    setPlan(plan_);
}

QAction* SeriesMenu::stepAction(const SeriesStep& step) const {
    return stepActions_[indexOf(step)];
}

void SeriesMenu::setPlan(const SeriesPlan& plan) {
    plan_ = plan;
    for (int series = 1; series <= SeriesPlan::MaxSeries; ++series) {
        const bool taken = plan_.repeated() && series <= plan_.series;
        stepAction({series, Direction::Rising})->setVisible(taken);
        stepAction({series, Direction::Falling})->setVisible(taken && plan_.falling);
    }
    setStep({});
}

std::optional<SeriesStep> SeriesMenu::step() const {
    if (!plan_.repeated())
        return std::nullopt;
    for (int series = 1; series <= plan_.series; ++series)
        for (const Direction direction : {Direction::Rising, Direction::Falling})
            if (stepAction({series, direction})->isChecked())
                return SeriesStep{series, direction};
    return SeriesStep{};
}

void SeriesMenu::setStep(const SeriesStep& step) {
    stepAction(step)->setChecked(true);
}

void SeriesMenu::askPlan() {
    QDialog dialog(page_.window());
    dialog.setWindowTitle(texts_.text(PlanText).remove(QStringLiteral("...")));
    auto* form = new QFormLayout(&dialog);
    auto* count = new QSpinBox(&dialog);
    count->setRange(1, SeriesPlan::MaxSeries);
    count->setValue(plan_.series);
    auto* falling = new QCheckBox(texts_.text(FallingText), &dialog);
    falling->setChecked(plan_.falling);
    form->addRow(texts_.text(CountText), count);
    form->addRow(falling);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() == QDialog::Accepted)
        setPlan({count->value(), falling->isChecked()});
}

} // namespace calibration
