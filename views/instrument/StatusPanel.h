#pragma once

#include "core/instrument/Lifecycle.h"
#include "core/text/StatusPanel.h"

#include <QFrame>

class QLabel;
class QPushButton;

namespace ui {
class Twips;
}

namespace app {

// The status panel (fraSTATUS), laid over the page area while a step or a long exchange runs.
// While a long exchange can be cancelled it shows a cancel button, which Esc presses too.
class StatusPanel : public QFrame, public text::StatusPanel {
    Q_OBJECT
public:
    StatusPanel(QWidget* parent, const ui::Twips& twips);

    void showStatus() override;
    void setStatusText(const QString& text) override;
    void hideStatus() override;

    QLabel* const lblStatus;
    QPushButton* const cmdStatusCancel;
};

// For its lifetime the running exchange can be cancelled: the panel offers its cancel button,
// which asks the lifecycle to cut the exchange short.
class CancelOffer {
public:
    CancelOffer(StatusPanel& panel, device::Lifecycle& lifecycle);
    ~CancelOffer();
    CancelOffer(const CancelOffer&) = delete;
    CancelOffer& operator=(const CancelOffer&) = delete;

private:
    StatusPanel& panel_;
    device::Lifecycle::Cancellable cancellable_;
    QMetaObject::Connection pressed_;
};

} // namespace app
