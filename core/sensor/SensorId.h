#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

// The 8-character identifier that a sensor gets when it is first saved.
namespace sensor {

// Numbers in [0, 1). Production draws them from a generator seeded from the clock; tests give
// a fixed sequence.
using RandomSource = std::function<double()>;
[[nodiscard]] RandomSource clockSeededRandom();

// Year (last hexadecimal digit of year - 2000), month (hexadecimal), day (two digits), the time
// of day in two letters (steps of 150 units of hour × 3600 + minute / 3 + second × 180), the
// first character of `hint` or a random letter A..Y, and the last digit of `tail` or, for a
// tail of 0, a random letter.
[[nodiscard]] QString MakeSensorId(const QDateTime& time, QStringView hint, int tail,
                                   const RandomSource& random);

// An identifier is valid when it has exactly 8 characters, each a digit, an upper-case letter
// or one of ":;<=>?@". A valid one is returned unchanged; any other is replaced by a new one
// made at `now` that ends in the digit 5.
[[nodiscard]] QString CheckSensorId(const QString& id, const QDateTime& now,
                                    const RandomSource& random);

} // namespace sensor
