#pragma once

#include <QFrame>

class QLabel;

namespace ui {
class Twips;
}

namespace app {

// The status panel (fraSTATUS), laid over the page area while a step or a long exchange runs.
class StatusPanel : public QFrame {
    Q_OBJECT
public:
    StatusPanel(QWidget* parent, const ui::Twips& twips);

    QLabel* const lblStatus;
};

} // namespace app
