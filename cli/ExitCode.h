#pragma once

namespace cli {

// What torancal-cli returns to the script that ran it (the numbers of BSD's sysexits).
enum class ExitCode : int {
    Success = 0,
    Differs = 1,           // verify (or the read-back of a restore) found a difference
    Usage = 64,            // the command line is wrong
    BadFile = 65,          // a backup that does not read, or a refused restore
    NoFile = 66,           // the backup file cannot be opened
    NoAnswer = 69,         // no port, or no instrument answering on it
    Software = 70,         // an internal error (e.g. out of memory) stopped the command
    LineLost = 74,         // the line went away in the middle of an exchange
    NotVerified = 75,      // the instrument was changed, and what it holds was not read back
    PermissionDenied = 77, // the port, the output file or the snapshot cannot be opened
};

} // namespace cli
