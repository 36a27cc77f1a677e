// The curve table driven by a stream of operations.
#include "core/calibration/CurveEvaluation.h"
#include "core/calibration/CurveTable.h"
#include "fuzz/FuzzSupport.h"

#include <cmath>

using calibration::CurveTable;
using calibration::SlotState;
using fuzzing::check;

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t byte() { return size > 0 ? (--size, *data++) : 0; }
    float number() {
        std::uint32_t bits = 0;
        for (int shift = 0; shift < 32; shift += 8)
            bits |= std::uint32_t{byte()} << shift;
        return std::bit_cast<float>(bits);
    }
};

// Returns the number of points the table must hold after the operation.
int step(Input& in, CurveTable& table) {
    const int count = table.PointCount();
    switch (in.byte() % 8) {
    case 0:
        check(table.append(in.number(), in.number()) == (count < CurveTable::SlotCount));
        return std::min(count + 1, CurveTable::SlotCount);
    case 1: {
        const int slot = in.byte() % 43 - 1;
        table.RemoveCurvePoint(slot);
        return slot >= 1 && slot <= count ? count - 1 : count;
    }
    case 2:
        // Neighbours rise, unless one's signal is no number.
        table.SortCurvePoints();
        for (int slot = 2; slot <= count; ++slot) {
            const float before = table.point(slot - 1).signal, after = table.point(slot).signal;
            check(before <= after || std::isnan(before) || std::isnan(after));
        }
        return count;
    case 3:
        // Above the last point a slot takes the values and stays empty.
        table.setPoint(in.byte() % CurveTable::SlotCount + 1, in.number(), in.number());
        return count;
    case 4: {
        // A record's curve put into the slots.
        const int loaded = in.byte() % (CurveTable::SlotCount + 1);
        table.clear();
        for (int slot = 1; slot <= loaded; ++slot)
            table.setSlot(slot, {in.number(), in.number(), SlotState::Used});
        table.CountCurvePoints();
        return loaded;
    }
    case 5:
        check(calibration::EvaluateCurve(table, in.number()) == 0.0F || count >= 2);
        return count;
    case 6: {
        const float signal = in.number();
        const int found = table.FindSignal(signal);
        check(found == 0 || (found <= count && table.point(found).signal == signal));
        (void)table.FindCurveDuplicate();
        return count;
    }
    default:
        table.clear();
        return 0;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    CurveTable table;
    while (in.size > 0) {
        check(step(in, table) == table.PointCount());
        for (int slot = 1; slot <= CurveTable::SlotCount; ++slot)
            check(table.point(slot).state ==
                  (slot <= table.PointCount() ? SlotState::Used : SlotState::Empty));
    }
    return 0;
}
