#include "views/StatusPanel.h"

#include "views/Controls.h"
#include "views/Twips.h"

#include <QLabel>

namespace app {

StatusPanel::StatusPanel(QWidget* parent, const ui::Twips& twips)
    : QFrame(parent), lblStatus(ui::makeControl<QLabel>(this, QStringLiteral("lblStatus"))) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setWordWrap(true);
    twips.place(*lblStatus, 120, 120, 4845, 840);
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
