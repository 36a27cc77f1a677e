#pragma once

#include "core/instrument/Link.h"
#include "core/session/SaveResult.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace sensor {
struct SensorRecord;
}

namespace session {

class Session;

// How far a block write that failed with WriteBlock's `code` may have changed the block, which
// held `before` (empty when unknown) and was to take `image`: NotWritten when no frame was sent,
// or when the byte that went unanswered and every byte before it are what the block held already
// (an unanswered byte may still have been stored); otherwise PartlyWritten, and always after a
// wrong echo, since the byte echoed wrongly may have been stored wrongly.
[[nodiscard]] SaveResult failedWriteReach(int code, const QByteArray& image,
                                          const QByteArray& before);

// Text shown when a value of the record is too large for the instrument's number code; nothing
// is written.
inline constexpr int ValueNotStorableText = 108;

// Writes the sensor page and the curve into the block of the sensor in use.
class SensorSave {
public:
    // What the save takes from the views.
    struct Sources {
        // Copies the page and the curve into CurrentSensor with these curve options; false,
        // after a message, when the page or the curve is not acceptable.
        std::function<bool(std::uint8_t curveOptions)> copyPage;
        std::function<QDate()> today;
    };

    SensorSave(Session& session, Sources sources)
        : session_(session), sources_(std::move(sources)) {}

    // Copies the page into the sensor in use and writes its block, unless `onlyWhenChanged` and
    // the block already holds the same settings and curve; after a write the instrument is reset
    // and read again, and the block as the read-out read it is compared with what was written.
    // Any outcome but Verified is told with the critical icon, naming the sensor, and leaves the
    // sensor in use and the curve table as they were before the save.
    [[nodiscard]] SaveResult SaveSensor(const device::Link& link, bool onlyWhenChanged);
    // The page's Save button: asks first, always writes, resets the instrument and does not
    // read again.
    void ConfirmAndSave(const device::Link& link);

private:
    // The page copied into CurrentSensor and encoded; nullopt after the operator was told why
    // not (the program is ending when the curve does not fit).
    [[nodiscard]] std::optional<QByteArray> encodePage();
    void reopenLostLine(const device::Link& link);
    // Writes the image into the block (Session::writeSensorBlock); the comparison base changes
    // only when the whole image was written. 0 or WriteBlock's failure code.
    [[nodiscard]] int writeImage(const device::Link& link, const QByteArray& image, int block);
    // Tells the operator that `sensor` was not saved as `result` says; `code` is the block
    // write's failure code, 0 when every byte was confirmed.
    void reportFailure(SaveResult result, const sensor::SensorRecord& sensor, int code);
    // Verified, Differs or NotVerified: the block as the read-out after the write read it (not
    // read when `read` is false) against `image`.
    [[nodiscard]] SaveResult readBack(const QByteArray& image, int block, bool read) const;

    Session& session_;
    Sources sources_;
};

} // namespace session
