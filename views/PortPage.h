#pragma once

#include <QGroupBox>

class QComboBox;
class QLabel;
class QPushButton;

namespace ui {
class Twips;
}

namespace app {

// The port page (fraCOMM): the operator picks the instrument's serial port or searches for it.
class PortPage : public QGroupBox {
    Q_OBJECT
public:
    PortPage(QWidget* parent, const ui::Twips& twips);

    QLabel* const lblPortPopis;
    QComboBox* const cmbPort;
    QPushButton* const cmdSCANTORAN;
};

} // namespace app
