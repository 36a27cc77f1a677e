#include "core/sensor/SensorId.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sensor {

namespace {

constexpr qsizetype IdLength = 8;
constexpr char16_t LowestIdCharacter = u'0';
constexpr char16_t HighestIdCharacter = u'Z';
constexpr int TailOfReplacedId = 5;

QChar hexDigit(int value) {
    return QChar(u"0123456789ABCDEF"[value & 0xF]);
}

QChar letter(int index) {
    return QChar(static_cast<char16_t>(u'A' + index));
}

// A letter from A to Y.
QChar randomLetter(const RandomSource& random) {
    const double drawn = random() * 24.0;
    return letter(drawn > 0.0 ? static_cast<int>(std::nearbyint(std::min(drawn, 24.0))) : 0);
}

} // namespace

RandomSource clockSeededRandom() {
    auto generator =
        QRandomGenerator(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF));
    return [generator]() mutable { return generator.generateDouble(); };
}

QString MakeSensorId(const QDateTime& time, QStringView hint, int tail,
                     const RandomSource& random) {
    const QDate date = time.date();
    const QTime clock = time.time();
    QString id;
    id.reserve(IdLength);
    id += hexDigit(((date.year() - 2000) % 16 + 16) % 16);
    id += hexDigit(date.month());
    id += QStringLiteral("%1").arg(date.day(), 2, 10, QChar(u'0'));
    const int step = (clock.hour() * 3600 + clock.minute() / 3 + clock.second() * 180) / 150;
    id += letter(step / 24);
    id += letter(step % 24);
    id += hint.isEmpty() ? randomLetter(random) : hint.front();
    id +=
        tail != 0 ? QChar(static_cast<char16_t>(u'0' + std::abs(tail % 10))) : randomLetter(random);
    return id;
}

QString CheckSensorId(const QString& id, const QDateTime& now, const RandomSource& random) {
    const bool valid =
        id.size() == IdLength && std::all_of(id.begin(), id.end(), [](QChar c) {
            return c.unicode() >= LowestIdCharacter && c.unicode() <= HighestIdCharacter;
        });
    return valid ? id : MakeSensorId(now, {}, TailOfReplacedId, random);
}

} // namespace sensor
