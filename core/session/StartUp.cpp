#include "core/session/StartUp.h"

#include "core/text/NumberText.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace session {

bool IsExpertCommandLine(const QString& commandLine) {
    qsizetype first = 0;
    qsizetype last = commandLine.size();
    while (first < last && commandLine[first] == u' ')
        ++first;
    while (last > first && commandLine[last - 1] == u' ')
        --last;
    return commandLine.mid(first, last - first).toLower() == QStringLiteral("expert");
}

CommandLine ReadCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Calibrator for the Toran R-40 strain-gauge transducer."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("expert"),
                                 QStringLiteral("Start in expert mode: the system calibration of "
                                                "the eight ranges and the raw values."),
                                 QStringLiteral("[expert]"));
    const QCommandLineOption language(
        QStringLiteral("language"),
        QStringLiteral("The language of the window: cs (Czech) or en (English). Without it, the "
                       "language chosen in the window, else the system's."),
        QStringLiteral("cs|en"));
    parser.addOption(language);
    CommandLine run{CommandLine::Action::Run, arguments.mid(1).join(u' '), std::nullopt};
    if (!parser.parse(arguments))
        return run;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return {CommandLine::Action::Print, parser.helpText(), std::nullopt};
    if (parser.isSet(version))
        return {CommandLine::Action::Print,
                QStringLiteral("torancal %1.%2.%3\n")
                    .arg(TORANCAL_VERSION_MAJOR)
                    .arg(TORANCAL_VERSION_MINOR)
                    .arg(TORANCAL_VERSION_PATCH),
                std::nullopt};
    if (!parser.isSet(language))
        return run;
    run.language = languageOfCode(parser.value(language));
    if (!run.language)
        return {CommandLine::Action::Refuse,
                QStringLiteral("torancal: unknown language \"%1\"; use cs or en.\n")
                    .arg(parser.value(language)),
                std::nullopt};
    QStringList rest;
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        if (arguments[index] == QStringLiteral("--language"))
            ++index;
        else if (!arguments[index].startsWith(QStringLiteral("--language=")))
            rest.append(arguments[index]);
    }
    run.text = rest.join(u' ');
    return run;
}

QString LanguageFilePath(const QString& executableDirectory, Language language) {
    const QString name = languageFileName(language);
    const QDir beside(executableDirectory);
    if (QFileInfo::exists(beside.filePath(name)))
        return beside.filePath(name);
    return QDir::cleanPath(beside.filePath(QStringLiteral(TORANCAL_DATA_FROM_BIN "/") + name));
}

QString WindowCaption() {
    return QStringLiteral("Toran II {R-40} Kalibrator v%1.%2.%3")
        .arg(TORANCAL_VERSION_MAJOR)
        .arg(TORANCAL_VERSION_MINOR)
        .arg(TORANCAL_VERSION_PATCH);
}

QStringList SlideEntries() {
    return {
        QStringLiteral("OFF"), QStringLiteral("2"),  QStringLiteral("3"),  QStringLiteral("4"),
        QStringLiteral("5"),   QStringLiteral("6"),  QStringLiteral("7"),  QStringLiteral("8"),
        QStringLiteral("9"),   QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("15"),
        QStringLiteral("16"),  QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30"),
        QStringLiteral("32"),  QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("64")};
}

QStringList SlideRychlEntries() {
    return {
        QStringLiteral("OFF"), QStringLiteral("2"),  QStringLiteral("3"),  QStringLiteral("4"),
        QStringLiteral("5"),   QStringLiteral("6"),  QStringLiteral("7"),  QStringLiteral("8"),
        QStringLiteral("9"),   QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("15"),
        QStringLiteral("20"),  QStringLiteral("30"), QStringLiteral("40"), QStringLiteral("50")};
}

QStringList GainEntries() {
    return {QStringLiteral("+/- 500.0 mV/V"), QStringLiteral("+/- 250.0 mV/V"),
            QStringLiteral("+/- 125.0 mV/V"), QStringLiteral("+/- 62.50 mV/V"),
            QStringLiteral("+/- 31.25 mV/V"), QStringLiteral("+/- 15.63 mV/V"),
            QStringLiteral("+/-  7.81 mV/V"), QStringLiteral("+/-  3.91 mV/V")};
}

double gainRangeLimit(const QString& entry) {
    return device::ReadNumber(QStringView(entry).mid(std::max<qsizetype>(entry.indexOf(u' '), 0)));
}

} // namespace session
