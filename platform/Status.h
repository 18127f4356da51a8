// Status numbers shared by every platform interface.
//
// They are the Windows error numbers, so that the native build passes the system's answers through
// unchanged and the POSIX stand-ins answer with the same numbers the logic already knows.
#pragma once

#include <cstdint>

namespace vx {

using Status = long;

inline constexpr Status kOk = 0;                  // ERROR_SUCCESS
inline constexpr Status kFileNotFound = 2;        // ERROR_FILE_NOT_FOUND
inline constexpr Status kPathNotFound = 3;        // ERROR_PATH_NOT_FOUND
inline constexpr Status kAccessDenied = 5;        // ERROR_ACCESS_DENIED
inline constexpr Status kInvalidHandle = 6;       // ERROR_INVALID_HANDLE
inline constexpr Status kNoMoreFiles = 18;        // ERROR_NO_MORE_FILES
inline constexpr Status kInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
inline constexpr Status kFilenameTooLong = 206;   // ERROR_FILENAME_EXCED_RANGE
inline constexpr Status kMoreData = 234;          // ERROR_MORE_DATA
inline constexpr Status kDirNotEmpty = 145;       // ERROR_DIR_NOT_EMPTY
inline constexpr Status kNotADirectory = 267;     // ERROR_DIRECTORY: not a folder
inline constexpr Status kBadDatabase = 1009;      // ERROR_BADDB
inline constexpr Status kCantWrite = 1013;        // ERROR_CANTWRITE
inline constexpr Status kCantResolveFilename = 1921;  // ERROR_CANT_RESOLVE_FILENAME: a link

// COM-style results: 0 is S_OK, 1 is S_FALSE ("already initialised"), negative is failure.
using HResult = std::int32_t;
inline constexpr HResult kSOk = 0;
inline constexpr HResult kSFalse = 1;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEOutOfMemory = static_cast<HResult>(0x8007000Eu);

// Longest path, terminator included.
inline constexpr unsigned kMaxPath = 260;

}  // namespace vx
