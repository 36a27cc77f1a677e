// toran-sim: a simulated Toran R-40 on a pseudo-terminal.

#include "sim/Fault.h"
#include "sim/Instrument.h"
#include "sim/PtyPort.h"
#include "sim/SignalWatcher.h"
#include "sim/SimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <signal.h>
#include <utility>

namespace {

struct Options {
    QString link;
    sim::Instrument instrument;
    sim::SimServer::Settings settings;
};

[[noreturn]] void fail(const QString& message) {
    std::fprintf(stderr, "toran-sim: %s\n", message.toLocal8Bit().constData());
    std::exit(2);
}

int wholeOption(const QCommandLineParser& parser, const QString& name, int base = 10) {
    bool ok = false;
    const int value = parser.value(name).toInt(&ok, base);
    if (!ok || value < 0)
        fail(QStringLiteral("--%1 needs a whole number, not '%2'").arg(name, parser.value(name)));
    return value;
}

Options parseOptions(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a Toran R-40 instrument on a pseudo-terminal and links it to PATH, e.g.\n"
        "  toran-sim --link $TORANCAL_PORT_DIR/COM1\n"
        "Standard input takes commands while it runs, one answer line each on standard\n"
        "output; 'ready <terminal>' is printed once the link is in place. It ends on 'quit',\n"
        "at the end of standard input and on SIGINT/SIGTERM, and removes the link.\n\n"
        "Fault RULE: [COMMAND] KIND [after N] [count N]\n"
        "  COMMAND  M, @, KQ, X, ER, EW, KB, KW or any (default): the frames it applies to\n"
        "  KIND     none     no reply (the command is still carried out)\n"
        "           extra    one character too many (before the line end)\n"
        "           short    one character too few\n"
        "           wrong    leading byte of the reply inverted (M: status byte;\n"
        "                    @: the text in lower case)\n"
        "           garbage  as many non-hexadecimal characters instead of the reply\n"
        "           late MS  the reply starts MS milliseconds later\n"
        "           silence  from frame N+1 on nothing is answered nor carried out\n"
        "  after N  the first N matching frames pass untouched (default 0)\n"
        "  count N  then N frames are affected (default: all)\n"
        "  e.g. --fault \"ER extra\" --fault \"KW none after 4 count 3\" --fault \"silence "
        "after 20\"\n\n"
        "Commands on standard input (each answers one line: ok, error: ..., or the value):\n"
        "  load <mV/V>      input signal            status <hex>   error bits of \"$00M\"\n"
        "  range <hex>      range flags of \"$00M\"   battery <n>    battery level 0..255\n"
        "  mask <hex>       sensor mask             fault <rule>   add a fault\n"
        "  clear-faults     remove all faults       block <0|1>    the block as 512 hex digits\n"
        "  setup            the setup memory as 512 hex digits\n"
        "  resets           resets received         frames         frames received\n"
        "  hangup [COMMAND] [after N]  hang up the terminal (the link goes too) now, or\n"
        "                   once N more frames of COMMAND were answered and more arrives\n"
        "  plug             a new terminal at the link; memories as the hang-up left them\n"
        "  help             the commands            quit           end"));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("Path of the link to the terminal (required)."),
         QStringLiteral("PATH")},
        {QStringLiteral("baud"),
         QStringLiteral("Line pacing, 10 bits per character; 0 answers at once (default 9600)."),
         QStringLiteral("N"), QStringLiteral("9600")},
        {QStringLiteral("mask"), QStringLiteral("Sensor mask in hexadecimal (default 3)."),
         QStringLiteral("M"), QStringLiteral("3")},
        {QStringLiteral("load"), QStringLiteral("Input signal in mV/V (default 0)."),
         QStringLiteral("MVV"), QStringLiteral("0")},
        {QStringLiteral("digits"), QStringLiteral("Display digits, 4 or 5 (default 5)."),
         QStringLiteral("4|5"), QStringLiteral("5")},
        {QStringLiteral("fault"), QStringLiteral("Inject a fault (repeatable, see above)."),
         QStringLiteral("RULE")},
        {QStringLiteral("hangup-after"),
         QStringLiteral("Answer N frames, then hang up the terminal as soon as anything more "
                        "arrives; the link goes too (default: never)."),
         QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("verbose"), QStringLiteral("Log frames and replies to standard error.")},
    });
    parser.process(app);

    Options options;
    options.link = parser.value(QStringLiteral("link"));
    if (options.link.isEmpty())
        fail(QStringLiteral("--link PATH is required (see --help)"));
    options.instrument.setBaud(wholeOption(parser, QStringLiteral("baud")));
    const int mask = wholeOption(parser, QStringLiteral("mask"), 16);
    if (mask > 0xFF)
        fail(QStringLiteral("--mask takes one byte"));
    options.instrument.setSensorMask(mask);
    bool ok = false;
    options.instrument.setLoad(parser.value(QStringLiteral("load")).toDouble(&ok));
    if (!ok)
        fail(QStringLiteral("--load needs a number in mV/V"));
    const int digits = wholeOption(parser, QStringLiteral("digits"));
    if (digits != 4 && digits != 5)
        fail(QStringLiteral("--digits is 4 or 5"));
    options.instrument.setSetupByte(sim::Instrument::DigitsAddress, digits);
    for (const QString& rule : parser.values(QStringLiteral("fault"))) {
        const sim::FaultParse parsed = sim::parseFault(rule);
        if (!parsed.fault)
            fail(QStringLiteral("--fault '%1': %2").arg(rule, parsed.error));
        options.instrument.addFault(*parsed.fault);
    }
    options.settings.hangupAfter = wholeOption(parser, QStringLiteral("hangup-after"));
    options.settings.verbose = parser.isSet(QStringLiteral("verbose"));
    return options;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread exists, so that only the watcher receives the ending signals.
    sim::SignalWatcher endSignals([](int) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    });
    ::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("toran-sim"));
    Options options = parseOptions(app);

    QString error;
    std::unique_ptr<sim::PtyPort> port = sim::PtyPort::create(options.link, error);
    if (!port)
        fail(error);
    const QString terminal = port->terminalPath();
    sim::SimServer server(options.instrument, std::move(port), options.settings);
    QObject::connect(&server, &sim::SimServer::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    std::fprintf(stdout, "ready %s\n", terminal.toLocal8Bit().constData());
    std::fflush(stdout);
    return app.exec();
}
