#pragma once

#include "core/instrument/Lifecycle.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "sim/SimulatedLine.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/Frames.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"

#include <QStringList>
#include <utility>

namespace testsupport {

// A session without a window.
struct SessionRig {
    device::Lifecycle lifecycle;
    ManualClock clock{&lifecycle};
    sim::SimulatedLine line{clock};
    FakeStatusPanel status;
    ScriptedMessages messages;
    text::LanguageTable texts;
    session::Session session{line, clock, lifecycle, {messages, status, texts}};
    QStringList calls;

    SessionRig() {
        for (int n = text::LanguageTable::First; n <= text::LanguageTable::Last; ++n)
            texts.set(n, QStringLiteral("T%1").arg(n));
        line.attach(1);
        line.setPortNumber(1);
        (void)line.open();
        session::ActionRunner& runner = session.runner();
        QObject::connect(&runner, &session::ActionRunner::navigationEnabled,
                         [this](bool enabled) { calls.append(enabled ? "enable" : "disable"); });
        QObject::connect(&runner, &session::ActionRunner::pollingWanted,
                         [this](bool running) { calls.append(running ? "start" : "stop"); });
        QObject::connect(&runner, &session::ActionRunner::ended, [this] { calls.append("ended"); });
    }

    // Runs an action as the views do; false when the line was taken.
    template <class Action> bool run(Action&& action) {
        return session.runner().run(std::forward<Action>(action));
    }
    sim::Instrument& instrument() { return line.instrument(1); }
    [[nodiscard]] QList<QByteArray> framesOf(const QByteArray& command) {
        return testsupport::framesOf(instrument(), command);
    }
};

} // namespace testsupport
