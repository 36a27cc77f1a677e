#pragma once

#include "core/instrument/Link.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace session {

class Session;

// Results of SaveSensor.
enum class SaveResult {
    Written,      // written, the instrument reset and read again, and the block read back equal
    Unchanged,    // the block already held the same settings and curve; nothing was sent
    WriteFailed,  // a byte was not confirmed, or the block could not be read back or differs
    PageRejected, // the page or the curve was refused before anything was sent
};

// Shown when a value of the record is too large for the instrument's number code; nothing is
// written.
inline constexpr char ValueNotStorableMessage[] =
    "Údaje snímače obsahují příliš velké číslo, které snímač nemůže uložit. Snímač nebyl uložen.";
// Shown when the block read back after a save differs from what was written.
inline constexpr char ReadBackMismatchMessage[] =
    "Snímač po zápisu neobsahuje uložené údaje. Zkontrolujte připojení a uložte snímač znovu.";

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
    // and read again, and the block read back is checked against what was written.
    [[nodiscard]] SaveResult SaveSensor(const device::Link& link, bool onlyWhenChanged);
    // The page's Save button: asks first, always writes, resets the instrument and does not
    // read again.
    void ConfirmAndSave(const device::Link& link);

private:
    // The page copied into CurrentSensor and encoded; nullopt after the operator was told why
    // not (the program is ending when the curve does not fit).
    [[nodiscard]] std::optional<QByteArray> encodePage();
    // Writes the image into the block (Session::writeSensorBlock); the comparison base changes
    // only when the whole image was written. 0 or WriteBlock's failure code.
    [[nodiscard]] int writeImage(const device::Link& link, const QByteArray& image, int block);
    void reportWriteFailure(int code);
    // True when the read-out that followed the write read `block` and it does not begin with
    // `image`.
    [[nodiscard]] bool readBackDiffers(const QByteArray& image, int block, bool read) const;

    Session& session_;
    Sources sources_;
};

} // namespace session
