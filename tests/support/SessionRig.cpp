#include "tests/support/SessionRig.h"

namespace testsupport {

SessionRig::SessionRig() {
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

} // namespace testsupport
