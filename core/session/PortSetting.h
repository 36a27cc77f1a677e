#pragma once

class QSettings;

namespace session {

// The one setting that survives a restart: the port on which the instrument was last found,
// kept as decimal text under "Default"/"ComPort".
class PortSetting {
public:
    explicit PortSetting(QSettings& store) : store_(store) {}
    PortSetting(const PortSetting&) = delete;
    PortSetting& operator=(const PortSetting&) = delete;

    // The stored number as read (not range-checked): 1 when nothing is stored, 0 for text
    // without a number. Callers decide which numbers name a port.
    [[nodiscard]] int comPort() const;
    void setComPort(int number);
    // The settings the port is kept in, for the few others kept beside it.
    [[nodiscard]] QSettings& store() const { return store_; }

private:
    QSettings& store_;
};

} // namespace session
