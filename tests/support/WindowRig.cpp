#include "tests/support/WindowRig.h"

#include "ui/Windows1250.h"

#include <QFile>
#include <QTest>

namespace testsupport {

void WindowRig::writeLanguageFile(QStringView text) const {
    QFile file(languageFile);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(languageFile));
    file.write(ui::toWindows1250(text));
}

void WindowRig::writeNumberedTexts() const {
    QString text;
    for (int n = 1; n <= 99; ++n)
        text += QStringLiteral("%1=T%1\r\n").arg(n);
    writeLanguageFile(text);
}

app::frmOrvoCalibration& WindowRig::start(const QString& commandLine) {
    window = std::make_unique<app::frmOrvoCalibration>(
        app::Services{line, clock, messages, lifecycle, portSetting, languageFile, commandLine});
    return *window;
}

bool WindowRig::activate() {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
}

} // namespace testsupport
