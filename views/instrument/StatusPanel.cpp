#include "views/instrument/StatusPanel.h"

#include "views/common/Controls.h"
#include "views/common/Twips.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace app {

StatusPanel::StatusPanel(QWidget* parent, const ui::Twips& twips)
    : QFrame(parent), lblStatus(ui::makeControl<QLabel>(this, QStringLiteral("lblStatus"))),
      cmdStatusCancel(ui::makeControl<QPushButton>(this, QStringLiteral("cmdStatusCancel"))) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setWordWrap(true);
    twips.place(*lblStatus, 120, 120, 4845, 840);
    // In the lower right corner, below a line or two of text; shown only while it works.
    twips.place(*cmdStatusCancel, 3735, 675, 1230, 330);
    // A shortcut of its own: the button's would click it only after its animation.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), cmdStatusCancel);
    connect(escape, &QShortcut::activated, cmdStatusCancel, &QPushButton::click);
    cmdStatusCancel->setFocusPolicy(Qt::NoFocus);
    cmdStatusCancel->hide();
}

CancelOffer::CancelOffer(StatusPanel& panel, device::Lifecycle& lifecycle)
    : panel_(panel), cancellable_(lifecycle),
      pressed_(QObject::connect(panel.cmdStatusCancel, &QPushButton::clicked, &lifecycle,
                                [&lifecycle] { lifecycle.requestCancel(); })) {
    panel_.cmdStatusCancel->show();
    panel_.cmdStatusCancel->raise();
}

CancelOffer::~CancelOffer() {
    QObject::disconnect(pressed_);
    panel_.cmdStatusCancel->hide();
}

void StatusPanel::showStatus() {
    show();
    raise();
}

void StatusPanel::setStatusText(const QString& text) {
    lblStatus->setText(text);
}

void StatusPanel::hideStatus() {
    hide();
}

} // namespace app
