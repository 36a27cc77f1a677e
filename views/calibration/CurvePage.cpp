#include "views/calibration/CurvePage.h"

#include "core/text/LanguageTable.h"
#include "views/common/Controls.h"
#include "views/common/Twips.h"

#include <QAction>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace calibration {

namespace {

constexpr int NewCurveText = 608;
constexpr int AddPointText = 609;
constexpr int DeletePointText = 610;
// The tooltips of cmdListAction 0, 1 and 2.
constexpr std::array<int, 3> ButtonTipTexts{611, 612, 613};

QFont fixedPitchFont(const QFont& base) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(base.pointSizeF());
    return font;
}

} // namespace

CurvePage::CurvePage(QWidget* parent, const ui::Twips& twips)
    : QGroupBox(parent), lblCSig(ui::makeControl<QLabel>(this, QStringLiteral("lblCSig"))),
      lblCEth(ui::makeControl<QLabel>(this, QStringLiteral("lblCEth"))),
      Label3(ui::makeControl<QLabel>(this, QStringLiteral("Label3"))),
      lstKrivka(ui::makeControl<QListWidget>(this, QStringLiteral("lstKrivka"))),
      cmdListAction(ui::makeControlArray<QPushButton, 3>(this, QStringLiteral("cmdListAction"))),
      cmdSCAN(ui::makeControl<QPushButton>(this, QStringLiteral("cmdSCAN"))),
      mKrivkaNew(ui::makeAction(*lstKrivka, QStringLiteral("mKrivkaNew"),
                                QKeySequence(Qt::CTRL | Qt::Key_N))),
      mKrivkaBodAdd(ui::makeAction(*lstKrivka, QStringLiteral("mKrivkaBodAdd"),
                                   QKeySequence(Qt::Key_Insert))),
      mKrivkaBodDelete(ui::makeAction(*lstKrivka, QStringLiteral("mKrivkaBodDelete"),
                                      QKeySequence(Qt::Key_F8))) {

    lblCSig->setText(QStringLiteral("Signal [mV/V]"));
    twips.place(*lblCSig, 240, 300, 1320, 240);
    lblCEth->setText(QStringLiteral("Etalon []"));
    twips.place(*lblCEth, 1440, 300, 1440, 240);
    Label3->setText(QStringLiteral("0"));
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    twips.place(*Label3, 3000, 300, 480, 240);

    lstKrivka->setFont(fixedPitchFont(lstKrivka->font()));
    lstKrivka->setContextMenuPolicy(Qt::ActionsContextMenu);
    twips.place(*lstKrivka, 240, 570, 3240, 3300);

    int top = 570;
    for (QPushButton* button : cmdListAction) {
        twips.place(*button, 3600, top, 1365, 375);
        top += 465;
    }

    twips.place(*cmdSCAN, 3600, 3495, 1365, 375);
}

void CurvePage::applyTexts(const text::LanguageTable& texts) {
    mKrivkaNew->setText(texts.text(NewCurveText));
    mKrivkaBodAdd->setText(texts.text(AddPointText));
    mKrivkaBodDelete->setText(texts.text(DeletePointText));
    for (std::size_t i = 0; i < cmdListAction.size(); ++i)
        cmdListAction[i]->setToolTip(texts.text(ButtonTipTexts[i]));
}

} // namespace calibration
