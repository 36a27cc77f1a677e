// A sensor block image of any length and content, as DecodeSensorImage may be handed it.
#include "fuzz/ImageChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::checkSensorImage(fuzzing::bytesOf(data, size));
    return 0;
}
