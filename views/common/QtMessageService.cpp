#include "views/common/QtMessageService.h"

#include <QMessageBox>
#include <QPushButton>

namespace ui {

using text::MsgAnswer;
using text::MsgButtons;
using text::MsgIcon;

namespace {

void setIcon(QMessageBox& box, MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
}

} // namespace

MsgAnswer QtMessageService::show(const QString& text, MsgIcon icon, MsgButtons buttons,
                                 MsgAnswer defaultAnswer) {
    QMessageBox box(parent_);
    box.setWindowTitle(title_);
    box.setText(text);
    setIcon(box, icon);
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultAnswer == MsgAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

bool QtMessageService::offer(const QString& text, MsgIcon icon, const QString& second) {
    QMessageBox box(parent_);
    box.setWindowTitle(title_);
    box.setText(text);
    setIcon(box, icon);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* other = box.addButton(second, QMessageBox::ActionRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return box.clickedButton() == other;
}

} // namespace ui
