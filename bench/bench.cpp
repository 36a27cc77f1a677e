// Measures what the calibrator's own work costs against the time the instrument and the
// operator give it, and prints ratios: a figure well below 1 means the program is never the
// bottleneck. Run: build/bin/torancal-bench
#include "core/instrument/Clock.h"
#include "core/instrument/Measurement.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/Timing.h"
#include "core/sensor/SensorImage.h"
#include "core/session/ActionRunner.h"
#include "sim/SimulatedLine.h"

#include <QCoreApplication>
#include <QDate>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

using Seconds = std::chrono::duration<double>;

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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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

    const sensor::SensorRecord record = tenPointRecord();
    const QDate today(2026, 12, 6);
    const long before = residentKilobytes();
    const double codec = secondsPerRun(20000, [&](int) {
        const auto encoded = sensor::EncodeSensorImage(record, today);
        sensor::SensorRecord decoded;
        (void)sensor::DecodeSensorImage(std::get<sensor::EncodedSensorImage>(encoded).image,
                                        decoded);
    });
    const long after = residentKilobytes();
    const QByteArray image =
        std::get<sensor::EncodedSensorImage>(sensor::EncodeSensorImage(record, today)).image;
    // Each byte of a block write waits at least one poll step for its echo.
    const double wireMinimum =
        static_cast<double>(image.size()) * Seconds(device::timing::PollStep).count();
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
    return 0;
}
