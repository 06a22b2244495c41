// Error types thrown inside the core and caught once per command.
#pragma once

#include <stdexcept>
#include <string>

namespace kolv {

/// Run-time error numbers of the error trap (the numbers engineers see in "Code: n").
enum ErrorCode : int {
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrSubscript = 9,
    kErrDivisionByZero = 11,
    kErrTypeMismatch = 13,
    kErrLoadingLibrary = 48,
    kErrFileNotFound = 53,
    kErrDiskFull = 61,
    kErrInvalidUseOfNull = 94,
    kErrDuplicateKey = 3022,
    kErrNullInIndex = 3058,
    kErrTableMissing = 3078,
    kErrDatabase = 3000,       ///< any other database engine fault
    kErrTextTooLong = 3163,    ///< value too long for a Text(n) field
    kErrNotAProject = 3343,    ///< unrecognised database format
    kErrLocked = 3218,         ///< the file is locked by another program
};

/// A fault inside a command, with the numeric code of the error trap.
class Error : public std::runtime_error {
public:
    Error(int code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

/// A fault of the project database (engine error, constraint, locked or corrupt file).
class DatabaseError : public Error {
public:
    using Error::Error;
};

/// A fault of the user's data or input, reported with its own message.
class InputError : public Error {
public:
    explicit InputError(const std::string& what, int code = kErrTypeMismatch) : Error(code, what) {}
};

}  // namespace kolv
