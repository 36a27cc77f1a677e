#include "core/sensor/FixedText.h"

#include <algorithm>

namespace sensor {

QString fitToWidth(QStringView text, qsizetype width) {
    qsizetype keep = std::min(text.size(), width);
    if (text.size() > width && width > 0 && text[width - 1].isHighSurrogate())
        --keep;
    return text.first(keep).toString().leftJustified(width, u' ');
}

} // namespace sensor
