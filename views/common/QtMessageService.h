#pragma once

#include "core/text/MessageService.h"

#include <QString>
#include <utility>

class QWidget;

namespace ui {

// The message boxes of the program: a QMessageBox with the program's title over the window.
class QtMessageService final : public text::MessageService {
public:
    explicit QtMessageService(QString title) : title_(std::move(title)) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    text::MsgAnswer show(const QString& text, text::MsgIcon icon, text::MsgButtons buttons,
                         text::MsgAnswer defaultAnswer) override;
    bool offer(const QString& text, text::MsgIcon icon, const QString& second) override;

private:
    QString title_;
    QWidget* parent_ = nullptr;
};

} // namespace ui
