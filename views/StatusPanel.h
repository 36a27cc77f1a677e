#pragma once

#include "core/text/StatusPanel.h"

#include <QFrame>

class QLabel;

namespace ui {
class Twips;
}

namespace app {

// The status panel (fraSTATUS), laid over the page area while a step or a long exchange runs.
class StatusPanel : public QFrame, public text::StatusPanel {
    Q_OBJECT
public:
    StatusPanel(QWidget* parent, const ui::Twips& twips);

    void showStatus() override;
    void setStatusText(const QString& text) override;
    void hideStatus() override;

    QLabel* const lblStatus;
};

} // namespace app
