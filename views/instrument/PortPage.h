#pragma once

#include <QComboBox>
#include <QGroupBox>

class QLabel;
class QPushButton;

namespace ui {
class Twips;
}

namespace app {

// The port list: entry i is port i + 1, its text "COMn" with the device behind it. It asks for
// fresh texts each time it drops down, so an adapter plugged in after start-up shows. Its
// tooltip shows the whole chosen entry, for a device path longer than the box.
class PortList : public QComboBox {
    Q_OBJECT
public:
    static constexpr int MaxVisiblePorts = 15;

    explicit PortList(QWidget* parent = nullptr);

    // Sets the entries' texts, keeping the selection; the drop-down is as wide as the longest.
    void setEntries(const QStringList& entries);
    void showPopup() override;

signals:
    void aboutToDropDown();
};

// The port page (fraCOMM): the operator picks the instrument's serial port or searches for it.
class PortPage : public QGroupBox {
    Q_OBJECT
public:
    PortPage(QWidget* parent, const ui::Twips& twips);

    QLabel* const lblPortPopis;
    PortList* const cmbPort;
    QPushButton* const cmdSCANTORAN;
};

} // namespace app
