#include "views/sensor/SensorPage.h"

#include "core/text/LanguageTable.h"
#include "views/common/Controls.h"
#include "views/common/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace sensor {

namespace {

// Rows of caption and field; the captions sit left, the fields in one column.
constexpr int CaptionLeft = 240;
constexpr int CaptionWidth = 2280;
constexpr int FieldLeft = 2640;
constexpr int FieldWidth = 1455;
constexpr int WideFieldWidth = 2325;
constexpr int AsideLeft = 4200;
constexpr int AsideWidth = 765;
constexpr int FirstRowTop = 330;
constexpr int RowPitch = 420;
constexpr int RowHeight = 315;

constexpr int rowTop(int row) {
    return FirstRowTop + row * RowPitch;
}

void placeRow(const ui::Twips& twips, QLabel& caption, QWidget& field, int row, int fieldWidth,
              const QString& text) {
    caption.setText(text);
    caption.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    twips.place(caption, CaptionLeft, rowTop(row), CaptionWidth, RowHeight);
    twips.place(field, FieldLeft, rowTop(row), fieldWidth, RowHeight);
}

} // namespace

SensorPage::SensorPage(QWidget* parent, const ui::Twips& twips)
    : QGroupBox(parent), Label2(ui::makeControl<QLabel>(this, QStringLiteral("Label2"))),
      txtPopis(ui::makeControl<QLineEdit>(this, QStringLiteral("txtPopis"))),
      Label6(ui::makeControl<QLabel>(this, QStringLiteral("Label6"))),
      cmbFormat(ui::makeControl<QComboBox>(this, QStringLiteral("cmbFormat"))),
      Label11(ui::makeControlArray<QLabel, 4>(this, QStringLiteral("Label11"))),
      txtJednotka(ui::makeControl<QLineEdit>(this, QStringLiteral("txtJednotka"))),
      lblRozsahPopis(ui::makeControl<QLabel>(this, QStringLiteral("lblRozsahPopis"))),
      txtRozsah(ui::makeControl<QLineEdit>(this, QStringLiteral("txtRozsah"))),
      lblRozsahNegPopis(ui::makeControl<QLabel>(this, QStringLiteral("lblRozsahNegPopis"))),
      txtRozsahNeg(ui::makeControl<QLineEdit>(this, QStringLiteral("txtRozsahNeg"))),
      Label9(ui::makeControl<QLabel>(this, QStringLiteral("Label9"))),
      txtOverloadProc(ui::makeControl<QLineEdit>(this, QStringLiteral("txtOverloadProc"))),
      cmbGain(ui::makeControl<QComboBox>(this, QStringLiteral("cmbGain"))),
      cmbSlide(ui::makeControl<QComboBox>(this, QStringLiteral("cmbSlide"))),
      cmbSlideRychl(ui::makeControl<QComboBox>(this, QStringLiteral("cmbSlideRychl"))),
      lblDateOfSave(ui::makeControl<QLabel>(this, QStringLiteral("lblDateOfSave"))),
      txtDateOfSave(ui::makeControl<QLineEdit>(this, QStringLiteral("txtDateOfSave"))),
      lblLimitWarning(ui::makeControl<QLabel>(this, QStringLiteral("lblLimitWarning"))),
      chkLimitsEnabled(ui::makeControl<QCheckBox>(this, QStringLiteral("chkLimitsEnabled"))),
      chkLimitsEnabledNeg(ui::makeControl<QCheckBox>(this, QStringLiteral("chkLimitsEnabledNeg"))),
      txtLimit(ui::makeControl<QLineEdit>(this, QStringLiteral("txtLimit"))),
      txtSN(ui::makeControl<QLineEdit>(this, QStringLiteral("txtSN"))),
      cmdAction(ui::makeControlArray<QPushButton, 2>(this, QStringLiteral("cmdAction"))) {
    // The captions are language texts, set at start-up (applyTexts and the window's own) and,
    // for the ranges, with the unit when the page is built.
    placeRow(twips, *Label2, *txtPopis, 0, WideFieldWidth, {});
    placeRow(twips, *Label6, *cmbFormat, 1, FieldWidth, {});
    placeRow(twips, *Label11[2], *txtJednotka, 2, FieldWidth, {});
    placeRow(twips, *lblRozsahPopis, *txtRozsah, 3, FieldWidth, {});
    placeRow(twips, *lblRozsahNegPopis, *txtRozsahNeg, 4, FieldWidth, {});
    placeRow(twips, *Label9, *txtOverloadProc, 5, FieldWidth, {});
    placeRow(twips, *Label11[1], *cmbGain, 6, WideFieldWidth, {});
    placeRow(twips, *lblDateOfSave, *txtDateOfSave, 7, FieldWidth, {});
    placeRow(twips, *Label11[0], *cmbSlide, 8, FieldWidth, QStringLiteral("Slide"));
    placeRow(twips, *Label11[3], *cmbSlideRychl, 9, FieldWidth, QStringLiteral("SlideRychl"));

    for (QLineEdit* number : {txtRozsah, txtRozsahNeg, txtOverloadProc})
        number->setAlignment(Qt::AlignRight);
    txtOverloadProc->setText(QStringLiteral("100"));
    txtDateOfSave->setReadOnly(true);
    Label2->installEventFilter(this);

    chkLimitsEnabled->setText(QStringLiteral("Limit"));
    twips.place(*chkLimitsEnabled, AsideLeft, rowTop(3), AsideWidth, RowHeight);
    chkLimitsEnabledNeg->setText(QStringLiteral("Limit"));
    twips.place(*chkLimitsEnabledNeg, AsideLeft, rowTop(4), AsideWidth, RowHeight);
    twips.place(*txtLimit, AsideLeft, rowTop(5), AsideWidth, RowHeight);
    twips.place(*txtSN, AsideLeft, rowTop(7), AsideWidth, RowHeight);
    for (QWidget* layoutOnly :
         std::initializer_list<QWidget*>{chkLimitsEnabled, chkLimitsEnabledNeg, txtLimit, txtSN})
        layoutOnly->hide();

    lblLimitWarning->setAlignment(Qt::AlignCenter);
    ui::setTextColour(*lblLimitWarning, Qt::red);
    QFont warningFont = lblLimitWarning->font();
    warningFont.setBold(true);
    lblLimitWarning->setFont(warningFont);
    twips.place(*lblLimitWarning, CaptionLeft, 4620, 4725, 375);
    lblLimitWarning->hide();

    twips.place(*cmdAction[0], FieldLeft - 120, 5220, 1140, 375);
    twips.place(*cmdAction[1], FieldLeft + WideFieldWidth - 1140, 5220, 1140, 375);

    setSlideControlsVisible(false);
}

void SensorPage::applyTexts(const text::LanguageTable& texts) {
    setTitle(texts.text(TitleText));
    lblDateOfSave->setText(texts.text(LastSavedText));
    cmdAction[0]->setText(texts.text(CloseText));
    cmdAction[1]->setText(texts.text(SaveText));
}

void SensorPage::setSlideControlsVisible(bool visible) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{Label11[0], Label11[3], cmbSlide, cmbSlideRychl})
        control->setVisible(visible);
}

bool SensorPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label2 && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton && mouse->modifiers() == Qt::ControlModifier)
            emit expertModeRequested();
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace sensor
