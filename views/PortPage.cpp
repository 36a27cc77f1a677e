#include "views/PortPage.h"

#include "views/Controls.h"
#include "views/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace app {

PortPage::PortPage(QWidget* parent, const ui::Twips& twips)
    : QGroupBox(parent),
      lblPortPopis(ui::makeControl<QLabel>(this, QStringLiteral("lblPortPopis"))),
      cmbPort(ui::makeControl<QComboBox>(this, QStringLiteral("cmbPort"))),
      cmdSCANTORAN(ui::makeControl<QPushButton>(this, QStringLiteral("cmdSCANTORAN"))) {
    lblPortPopis->setText(QStringLiteral(
        "Vyberte sériový port, kde je připojeno zařízení Toran R-40 a stiskněte tlačítko /Další/"));
    lblPortPopis->setWordWrap(true);
    lblPortPopis->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips.place(*lblPortPopis, 240, 360, 4605, 1080);

    cmbPort->setMaxVisibleItems(16);
    twips.place(*cmbPort, 240, 1620, 1695, 345);

    cmdSCANTORAN->setText(QStringLiteral("Vyhledat"));
    twips.place(*cmdSCANTORAN, 2160, 1605, 1455, 375);
}

} // namespace app
