// Measures what the calibrator's own work costs against the time the instrument and the
// operator give it, and prints ratios: a figure well below 1 means the program is never the
// bottleneck. The "line" section runs the exchanges over a real serial port against toran-sim
// paced at 9600 baud and compares the time taken with the time the line itself needs.
// The "records" section times the calibration store at the size of years of use.
// Run: build/bin/torancal-bench [program] [line] [records] [--database URL]
// (all sections when none is named; --database times the records on a PostgreSQL server)
#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/Measurement.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/QtSerialLine.h"
#include "core/instrument/SetupReadout.h"
#include "core/instrument/Timing.h"
#include "core/records/RecordStore.h"
#include "core/sensor/SensorImage.h"
#include "core/sensor/SensorReadout.h"
#include "core/session/ActionRunner.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/StatusPanel.h"
#include "sim/SimulatedLine.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Seconds = std::chrono::duration<double>;

constexpr int LineBaud = 9600;
constexpr double SecondsPerCharacter = 10.0 / LineBaud;

// A clock whose waits cost nothing, so only the program's own work is timed.
class InstantClock final : public device::Clock {
public:
    [[nodiscard]] std::chrono::milliseconds now() const override { return now_; }
    void delay(std::chrono::milliseconds ms) override { now_ += ms; }

private:
    std::chrono::milliseconds now_{0};
};

template <class Work> double secondsPerRun(int runs, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        work(i);
    return Seconds(std::chrono::steady_clock::now() - start).count() / runs;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

sensor::SensorRecord tenPointRecord() {
    sensor::SensorRecord record;
    record.Description = QStringLiteral("Siloměr S-40");
    record.UnitName = QStringLiteral("kN");
    record.UnitFormat = QStringLiteral("####0.0");
    record.FullScale = 150.0F;
    record.FullScaleNeg = -120.0F;
    record.Options = sensor::StandardCurveOptions;
    record.CurvePointCount = 10;
    for (int i = 0; i < 10; ++i) {
        record.CurveSignal[static_cast<std::size_t>(i)] = 0.3F * static_cast<float>(i);
        record.CurveEtalon[static_cast<std::size_t>(i)] = 15.0F * static_cast<float>(i);
    }
    return record;
}

void row(const char* what, double programSeconds, double budgetSeconds) {
    std::printf("%-44s %12.3g s  %10.3g s  %10.2e\n", what, programSeconds, budgetSeconds,
                programSeconds / budgetSeconds);
}

void programSection(const sensor::SensorRecord& record, QDate today, const QByteArray& image) {
    std::printf("%-44s %14s  %12s  %10s\n", "work", "program", "budget", "ratio");
    device::LiveValues live;
    live.ActiveZero = 32768.0F;
    live.ActiveK = 0.0001193F;
    const double tick = secondsPerRun(200000, [&](int i) {
        const QByteArray reply = "12,5;" + QByteArray::number(32768 + i % 1000) + ";0081C8\r";
        (void)device::applyMeasurementReply(reply, live, QStringLiteral("####0.0 "));
    });
    row("measurement reply / polling interval", tick,
        Seconds(device::timing::PollInterval).count());

    const long before = residentKilobytes();
    const double codec = secondsPerRun(20000, [&](int) {
        const auto encoded = sensor::EncodeSensorImage(record, today);
        sensor::SensorRecord decoded;
        (void)sensor::DecodeSensorImage(std::get<sensor::EncodedSensorImage>(encoded).image,
                                        decoded);
    });
    const long after = residentKilobytes();
    // Each byte of a block write is a 12-character frame and its 3-character echo on the line.
    const double wireMinimum = static_cast<double>(image.size()) * 15 * SecondsPerCharacter;
    row("encode + decode of a 10-point image / write", codec, wireMinimum);

    InstantClock clock;
    sim::SimulatedLine line(clock);
    line.attach(1);
    line.setPortNumber(1);
    (void)line.open();
    device::Lifecycle lifecycle;
    session::ActionRunner runner(line, clock, lifecycle);
    const double write = secondsPerRun(50, [&](int) {
        (void)runner.run([&](const device::Link& link) {
            (void)device::orvoLib::WriteBlock(link, image, 0, 0);
        });
    });
    row("block write exchange logic / its wire time", write,
        wireMinimum + Seconds(device::timing::BlockWriteLeadIn).count());
    std::printf("%-44s %12ld kB  %10ld kB  %10.3f\n", "memory after / before 20000 image codecs",
                after, before, before > 0 ? static_cast<double>(after) / before : 0.0);
}

// ---- The line section ----

// Counts every character that goes over the line, both ways.
class CountingLine final : public device::SerialLine {
public:
    explicit CountingLine(device::SerialLine& line) : line_(line) {}

    bool setPortNumber(int number) override { return line_.setPortNumber(number); }
    [[nodiscard]] int portNumber() const override { return line_.portNumber(); }
    device::OpenResult open() override { return line_.open(); }
    void close() override { line_.close(); }
    [[nodiscard]] bool isOpen() const override { return line_.isOpen(); }
    bool send(const QByteArray& bytes) override {
        sent += bytes.size();
        return line_.send(bytes);
    }
    [[nodiscard]] int bytesWaiting() override { return line_.bytesWaiting(); }
    std::optional<QByteArray> readAll() override {
        std::optional<QByteArray> bytes = line_.readAll();
        if (bytes)
            received += bytes->size();
        return bytes;
    }
    [[nodiscard]] const device::WakeSource* arrivals() const override { return line_.arrivals(); }

    qint64 sent = 0;
    qint64 received = 0;

private:
    device::SerialLine& line_;
};

// Adds up the protocol's fixed pauses; the waits for a reply are not pauses.
// Forwards to the real clock through a link of its own and adds up the fixed pauses.
class PauseCountingClock final : public device::Clock, private device::LinkIssuer {
public:
    PauseCountingClock(device::SerialLine& line, device::Clock& clock)
        : clock_(clock), inner_(issueLink(line, clock)) {}

    [[nodiscard]] std::chrono::milliseconds now() const override { return clock_.now(); }

    std::chrono::milliseconds paused{0};

private:
    void delay(std::chrono::milliseconds ms) override {
        paused += ms;
        inner_.delay(ms);
    }
    bool waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                 const device::WakeSource* wake) override {
        return inner_.waitFor(timeout, done, wake);
    }

    device::Clock& clock_;
    device::Link inner_;
};

class SilentMessages final : public text::MessageService {
public:
    text::MsgAnswer show(const QString& text, text::MsgIcon, text::MsgButtons,
                         text::MsgAnswer defaultAnswer) override {
        std::printf("  (told: %s)\n", text.toLocal8Bit().constData());
        return defaultAnswer;
    }
};

double processCpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Wall time, process CPU time and line traffic of one stretch of work.
class LineMeter {
public:
    LineMeter(CountingLine& line, PauseCountingClock& clock) : line_(line), clock_(clock) {}

    template <class Work> void measure(const char* what, Work&& work) {
        line_.sent = 0;
        line_.received = 0;
        clock_.paused = {};
        const double cpuStart = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        work();
        const double wall = Seconds(std::chrono::steady_clock::now() - start).count();
        const double cpu = processCpuSeconds() - cpuStart;
        const double paused = Seconds(clock_.paused).count();
        const double replies = static_cast<double>(line_.received) * SecondsPerCharacter + paused;
        const double sending = static_cast<double>(line_.sent) * SecondsPerCharacter;
        const double needed = sending + replies;
        // The pseudo-terminal hands the simulator each frame at once; on a real line at 9600
        // baud the instrument has it only after its characters' time, and the program waits
        // for that before any reply can come, so the time on a line is the wall time plus that.
        std::printf("%-26s %5lld %6lld %8.3f s %8.3f s %7.3f %7.3f %7.3f %8.2f %% %7.1f ms\n", what,
                    static_cast<long long>(line_.sent), static_cast<long long>(line_.received),
                    wall, needed, wall / needed, (wall + sending) / needed, wall / replies,
                    100.0 * cpu / wall, 1e3 * cpu);
    }

private:
    CountingLine& line_;
    PauseCountingClock& clock_;
};

// Starts toran-sim on a pseudo-terminal linked as COM1 in `directory`; false when it did not
// come up.
bool startSimulator(QProcess& sim, const QString& directory) {
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath("toran-sim");
    if (!QFileInfo(program).isExecutable()) {
        std::printf("line: %s not found, section skipped\n", program.toLocal8Bit().constData());
        return false;
    }
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(program, {QStringLiteral("--link"), directory + QStringLiteral("/COM1"),
                        QStringLiteral("--baud"), QString::number(LineBaud)});
    while (!sim.canReadLine())
        if (!sim.waitForReadyRead(5000)) {
            std::printf("line: toran-sim did not start, section skipped\n");
            return false;
        }
    return sim.readLine().startsWith("ready ");
}

// The line section's operations, inside one action on the runner.
void measureLine(const device::Link& link, device::Lifecycle& lifecycle, LineMeter& meter,
                 const QByteArray& tenPointImage) {
    SilentMessages messages;
    text::NoStatusPanel status;
    const text::LanguageTable texts;
    device::SerialLine& line = link.line;
    device::InstrumentSetup setup;
    const auto readOut = [&] {
        if (device::ReadTORAN(link, status, messages, texts, setup) != device::SetupRead)
            std::printf("  (setup read-out failed)\n");
        const device::SystemConstants boxes = device::SystemConstants::of(setup);
        sensor::SensorState sensors;
        device::LiveValues live;
        sensor::ReadSensors(link, status, messages, texts, boxes, sensors, live);
    };
    // The first read-out in a process also pays for loading and setting up what every later
    // one reuses (some 25 ms of CPU); the program has done that long before a connect.
    readOut();
    meter.measure("connect read-out", readOut);

    meter.measure("10-point sensor block write", [&] {
        const device::Lifecycle::CriticalSection writing(lifecycle);
        if (const int result =
                device::orvoLib::WriteBlock(link, tenPointImage, 0, sensor::ExternalBlock);
            result != 0)
            std::printf("  (block write failed: %d)\n", result);
    });

    // As the system calibration saves them: per range the zero, then the constant, 4 bytes each.
    meter.measure("16 system constants save", [&] {
        const device::Lifecycle::CriticalSection writing(lifecycle);
        for (int i = 0; i < device::RangeCount; ++i) {
            const auto range = static_cast<std::size_t>(i);
            for (const auto& [address, value] :
                 {std::pair{device::rangeZeroAddress(i), setup.RangeZero[range]},
                  std::pair{device::rangeKAddress(i), setup.RangeK[range]}})
                if (device::orvoLib::WriteFloat(link, 0, address, value,
                                                device::timing::ByteTimeout, true) != 1)
                    std::printf("  (constant at %02X not written)\n", address);
        }
    });

    // The live signal: "$00M" once per polling interval, the reply taken at the next tick.
    const auto pollingTime = std::chrono::seconds(5);
    int readings = 0;
    const double cpuStart = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    {
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(device::timing::PollInterval);
        device::LiveValues live;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const QByteArray reply = line.readAll().value_or(QByteArray());
            if (device::applyMeasurementReply(reply, live, QStringLiteral("####0.0")).kind ==
                device::SignalUpdate::Kind::Reading)
                ++readings;
            line.send("$00M\r");
        });
        QTimer::singleShot(pollingTime, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        tick.start();
        loop.exec();
    }
    const double wall = Seconds(std::chrono::steady_clock::now() - start).count();
    const double cpu = processCpuSeconds() - cpuStart;
    std::printf("%-26s %5s %6s %8.3f s %10s %7s %7s %7s %8.2f %% %7.1f ms  (%d readings)\n",
                "live signal polling", "", "", wall, "", "", "", "", 100.0 * cpu / wall, 1e3 * cpu,
                readings);
}

void lineSection(const QByteArray& tenPointImage) {
    QTemporaryDir directory;
    QProcess sim;
    if (!directory.isValid() || !startSimulator(sim, directory.path()))
        return;

    device::Lifecycle lifecycle;
    device::EventLoopClock realClock(lifecycle);
    device::QtSerialLine realLine(directory.path());
    CountingLine line(realLine);
    PauseCountingClock clock(realLine, realClock);
    session::ActionRunner runner(line, clock, lifecycle);
    (void)line.setPortNumber(1);
    LineMeter meter(line, clock);

    std::printf("\nline: toran-sim at %d baud over a pseudo-terminal; 'needed' is every character "
                "both ways\nat 10 bits plus the fixed pauses, 'ratio' is wall / needed; the "
                "terminal takes what is\nsent at once, so 'on line' adds the characters sent to "
                "the wall time (the figure a real\nline shows); 'replies' leaves out the "
                "characters sent\n",
                LineBaud);
    std::printf("%-26s %5s %6s %10s %10s %7s %7s %7s %10s %10s\n", "work", "sent", "recvd", "wall",
                "needed", "ratio", "on line", "replies", "CPU share", "CPU time");

    // Everything below talks to the instrument, so it runs as one action.
    (void)runner.run(
        [&](const device::Link& link) { measureLine(link, lifecycle, meter, tenPointImage); });

    line.close();
    sim.closeWriteChannel();
    if (!sim.waitForFinished(5000))
        sim.kill();
}

// ---- The records section ----

records::CalibrationRecord benchCalibration(int sensor, const QDateTime& ended) {
    records::CalibrationRecord c;
    c.sensorId = QStringLiteral("S%1").arg(sensor, 4, 10, QChar(u'0'));
    c.description = QStringLiteral("Siloměr S-40");
    c.unit = QStringLiteral("kN");
    c.fullScale = 150.0;
    c.fullScaleNeg = -120.0;
    c.operatorName = QStringLiteral("Novák");
    c.ended = ended;
    c.started = ended.addSecs(-900);
    for (int i = 0; i < 10; ++i)
        c.points.push_back({0.3 * i, 15.0 * i, ended});
    for (int i = 0; i < 5; ++i) {
        c.asFound.push_back({30.0 * i, 30.0 * i + 0.1, ended});
        c.asLeft.push_back({30.0 * i, 30.0 * i, ended});
    }
    return c;
}

// Records `count` calibrations of its own sensors on a store of its own; false at a failure.
bool recordMany(const records::StoreOptions& options, int writer, int count,
                const QDateTime& start) {
    records::RecordStore store(options);
    for (int i = 0; i < count; ++i)
        if (store
                .record(benchCalibration(9000 + writer, start.addSecs(60LL * (writer * count + i))))
                .outcome != records::WriteOutcome::Recorded)
            return false;
    return true;
}

// Into a temporary file, or with `database` into that PostgreSQL database (a scratch one: the
// section adds 10,000 calibrations and 100,000 snapshots to it).
void recordsSection(const QByteArray& image, const QString& database) {
    constexpr int Sensors = 1000;
    constexpr int Calibrations = 10000;
    constexpr int Snapshots = 100000;
    constexpr int Writers = 8;
    constexpr int EachWriter = 100;
    constexpr int Timed = 200;
    QTemporaryDir directory;
    records::StoreOptions options;
    options.path = directory.filePath(QStringLiteral("records.sqlite"));
    options.database = database;
    records::RecordStore store(options);
    if (!store.status().usable()) {
        std::printf("records: %s\n", store.status().message.toLocal8Bit().constData());
        return;
    }
    std::printf("\nrecords in %s\n", store.path().toLocal8Bit().constData());
    backup::Backup content;
    content.identification = QStringLiteral("TORAN R-40 v2.10");
    content.sensors = {backup::sensorBackup(sensor::ExternalBlock, image),
                       backup::sensorBackup(sensor::InternalBlock, image)};
    const QDateTime start(QDate(2016, 1, 1), QTime(8, 0), Qt::UTC);
    const auto fill = std::chrono::steady_clock::now();
    {
        const records::RecordStore::Batch batch(store);
        for (int i = 0; i < Snapshots; ++i) {
            content.taken = start.addSecs(3600LL * i);
            (void)store.addSnapshot({{},
                                     records::SnapshotReason::ReadOut,
                                     QStringLiteral("S%1").arg(i % Sensors, 4, 10, QChar(u'0')),
                                     sensor::ExternalBlock,
                                     content});
        }
        for (int i = 0; i < Calibrations; ++i)
            (void)store.record(benchCalibration(i % Sensors, start.addSecs(36000LL * i)));
    }
    std::printf("records: %d calibrations and %d snapshots of %d sensors stored in %.1f s\n",
                Calibrations, Snapshots, Sensors,
                Seconds(std::chrono::steady_clock::now() - fill).count());
    std::printf("%-44s %14s  %12s  %10s\n", "work", "program", "budget", "ratio");
    std::size_t listed = 0;
    const double history = secondsPerRun(50, [&](int i) {
        listed +=
            store.history(QStringLiteral("S%1").arg(i * 7 % Sensors, 4, 10, QChar(u'0'))).size();
    });
    row("history of one sensor / 100 ms", history, 0.1);
    std::vector<double> each;
    for (int i = 0; i < Timed; ++i) {
        const auto begun = std::chrono::steady_clock::now();
        (void)store.record(benchCalibration(i, start.addYears(11).addSecs(i)));
        each.push_back(Seconds(std::chrono::steady_clock::now() - begun).count());
    }
    std::sort(each.begin(), each.end());
    row("recording a calibration, median / 50 ms", each[each.size() / 2], 0.05);
    row("recording a calibration, 99th pct / 50 ms", each[each.size() * 99 / 100], 0.05);

    // Benches recording at the same time, each on a connection of its own.
    std::atomic<int> failed{0};
    const auto together = std::chrono::steady_clock::now();
    {
        std::vector<std::jthread> writers;
        for (int w = 0; w < Writers; ++w)
            writers.emplace_back([&, w] {
                if (!recordMany(options, w, EachWriter, start.addYears(12)))
                    ++failed;
            });
    }
    const double seconds = Seconds(std::chrono::steady_clock::now() - together).count();
    std::printf("%d writers at once: %.0f calibrations per second (%d writers failed)\n", Writers,
                Writers * EachWriter / seconds, failed.load());
    std::printf("(%zu history lines listed)\n", listed);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList sections = app.arguments().mid(1);
    // --database URL: the records section on a PostgreSQL server.
    QString database;
    if (const qsizetype at = sections.indexOf(QStringLiteral("--database"));
        at >= 0 && at + 1 < sections.size()) {
        database = sections[at + 1];
        sections.remove(at, 2);
    }
    const auto wanted = [&](const char* name) {
        return sections.isEmpty() || sections.contains(QLatin1String(name));
    };
    const sensor::SensorRecord record = tenPointRecord();
    const QDate today(2026, 12, 6);
    const QByteArray image =
        std::get<sensor::EncodedSensorImage>(sensor::EncodeSensorImage(record, today)).image;
    if (wanted("program"))
        programSection(record, today, image);
    if (wanted("line"))
        lineSection(image);
    if (wanted("records"))
        recordsSection(image, database);
    return 0;
}
