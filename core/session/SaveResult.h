#pragma once

namespace session {

// Results of SensorSave::SaveSensor. Only Verified means that the instrument holds what was
// written.
enum class SaveResult {
    Verified,      // written, the instrument reset and read again, and the block read back equal
    Unchanged,     // the block already held the same settings and curve; nothing was sent
    Differs,       // written and read back, but the block holds something else
    NotVerified,   // every byte confirmed, but the block could not be read back to compare
    PartlyWritten, // a byte was not confirmed after the block may have changed
    NotWritten,    // a byte was not confirmed before anything the block held could change
    PageRejected,  // the page or the curve was refused before anything was sent
};

// True for the outcomes after which the instrument is not known to hold the sensor written.
[[nodiscard]] constexpr bool saveFailed(SaveResult result) {
    return result == SaveResult::Differs || result == SaveResult::NotVerified ||
           result == SaveResult::PartlyWritten || result == SaveResult::NotWritten;
}

} // namespace session
