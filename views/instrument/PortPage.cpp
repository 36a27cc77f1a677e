#include "views/instrument/PortPage.h"

#include "views/common/Controls.h"
#include "views/common/Twips.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace app {

PortList::PortList(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

void PortList::setEntries(const QStringList& entries) {
    const int selected = currentIndex();
    if (count() != entries.size()) {
        clear();
        addItems(entries);
    } else {
        for (int i = 0; i < entries.size(); ++i)
            setItemText(i, entries[i]);
    }
    setCurrentIndex(selected);
    view()->setMinimumWidth(view()->sizeHintForColumn(0) +
                            view()->verticalScrollBar()->sizeHint().width());
}

void PortList::showPopup() {
    emit aboutToDropDown();
    QComboBox::showPopup();
}

PortPage::PortPage(QWidget* parent, const ui::Twips& twips)
    : QGroupBox(parent),
      lblPortPopis(ui::makeControl<QLabel>(this, QStringLiteral("lblPortPopis"))),
      cmbPort(ui::makeControl<PortList>(this, QStringLiteral("cmbPort"))),
      cmdSCANTORAN(ui::makeControl<QPushButton>(this, QStringLiteral("cmdSCANTORAN"))) {
    // The caption and the search button's are language texts, set at start-up.
    lblPortPopis->setWordWrap(true);
    lblPortPopis->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips.place(*lblPortPopis, 240, 360, 4605, 1080);

    // A list of 49 ports scrolls: a screen-high list hides where the chosen port is. Styles that
    // drop down a menu instead of a list show every entry; this one is a list in every style.
    cmbPort->setMaxVisibleItems(PortList::MaxVisiblePorts);
    cmbPort->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    // As wide as the page, so the device behind the port shows whole; the search below it.
    twips.place(*cmbPort, 240, 1620, 4605, 345);

    twips.place(*cmdSCANTORAN, 240, 2085, 1455, 375);
}

} // namespace app
