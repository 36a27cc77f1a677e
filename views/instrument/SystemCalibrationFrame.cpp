#include "views/instrument/SystemCalibrationFrame.h"

#include "core/instrument/SetupReadout.h"
#include "core/text/LanguageTable.h"
#include "views/common/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace calibration {

namespace {

constexpr int WriteText = 619;
constexpr int TitleText = 620;
constexpr int ZeroHeadingText = 621;
constexpr int ZeroTipText = 622;
constexpr int ConstantTipText = 623;
constexpr int RangeLeft = 120;
constexpr int RangeWidth = 900;
constexpr int ZeroLeft = 1095;
constexpr int ZeroWidth = 975;
constexpr int ConstantLeft = 2145;
constexpr int ConstantWidth = 1320;
constexpr int HeadingTop = 270;
constexpr int FirstRowTop = 540;
constexpr int RowPitch = 375;
constexpr int RowHeight = 315;
constexpr int ButtonHeight = 375;
constexpr int ButtonWidth = 1035;
constexpr int ButtonPitch = 1155;

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = ui::makeControl<QPushButton>(parent, name);
    button->setText(caption);
    return button;
}

} // namespace

SystemCalibrationFrame::SystemCalibrationFrame(QWidget* parent, const ui::Twips& twips)
    : QGroupBox(parent), lblGx(ui::makeControlArray<QLabel, Ranges>(this, QStringLiteral("lblGx"))),
      txtskN(ui::makeControlArray<QLineEdit, Ranges>(this, QStringLiteral("txtskN"))),
      txtskK(ui::makeControlArray<QLineEdit, Ranges>(this, QStringLiteral("txtskK"))),
      Label1(this, QStringLiteral("Label1")),
      cmdReset(makeButton(this, QStringLiteral("cmdReset"), QStringLiteral("RESET"))),
      cmdLoadDef(makeButton(this, QStringLiteral("cmdLoadDef"), QStringLiteral("DEF!"))),
      cmdSKSetGain(makeButton(this, QStringLiteral("cmdSKSetGain"), QStringLiteral("Set 2mVV"))),
      cmdSKSetNula(makeButton(this, QStringLiteral("cmdSKSetNula"), QStringLiteral("SetNula"))),
      cmdSKSave(makeButton(this, QStringLiteral("cmdSKSave"), {})) {
    twips.place(*Label1[8], ZeroLeft, HeadingTop, ZeroWidth, 240);
    Label1[9]->setText(QStringLiteral("k [mVV/div*x]"));
    twips.place(*Label1[9], ConstantLeft, HeadingTop, ConstantWidth, 240);

    for (std::size_t i = 0; i < Ranges; ++i) {
        const int top = FirstRowTop + static_cast<int>(i) * RowPitch;
        lblGx[i]->setText(device::rangeName(static_cast<int>(i)));
        lblGx[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        twips.place(*lblGx[i], RangeLeft, top, RangeWidth, RowHeight);

        txtskN[i]->setAlignment(Qt::AlignRight);
        twips.place(*txtskN[i], ZeroLeft, top, ZeroWidth, RowHeight);

        txtskK[i]->setAlignment(Qt::AlignRight);
        twips.place(*txtskK[i], ConstantLeft, top, ConstantWidth, RowHeight);
    }

    // Setting the constants in the first row, writing and resetting in the second.
    const int firstButtonRow = FirstRowTop + static_cast<int>(Ranges) * RowPitch + 120;
    const int secondButtonRow = firstButtonRow + ButtonHeight + 105;
    int left = RangeLeft;
    for (QPushButton* button : {cmdSKSetNula, cmdSKSetGain, cmdLoadDef}) {
        twips.place(*button, left, firstButtonRow, ButtonWidth, ButtonHeight);
        left += ButtonPitch;
    }
    twips.place(*cmdSKSave, RangeLeft, secondButtonRow, ButtonWidth, ButtonHeight);
    twips.place(*cmdReset, RangeLeft + 2 * ButtonPitch, secondButtonRow, ButtonWidth, ButtonHeight);
}

void SystemCalibrationFrame::applyTexts(const text::LanguageTable& texts) {
    setTitle(texts.text(TitleText));
    Label1[8]->setText(texts.text(ZeroHeadingText));
    for (std::size_t i = 0; i < Ranges; ++i) {
        txtskN[i]->setToolTip(texts.text(ZeroTipText));
        txtskK[i]->setToolTip(texts.text(ConstantTipText));
    }
    cmdSKSave->setText(texts.text(WriteText));
}

} // namespace calibration
