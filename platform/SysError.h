// Platform failures as Windows system error codes, which the program shows to
// the user. One mapping from errno; a per-thread "last error" as the
// platform's file functions leave it.
#pragma once

#include <cstdint>

inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_INVALID_DATA = 13;
inline constexpr uint32_t ERROR_WRITE_FAULT = 29;
inline constexpr uint32_t ERROR_READ_FAULT = 30;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_DISK_FULL = 112;
inline constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
inline constexpr uint32_t ERROR_PROC_NOT_FOUND = 127;
inline constexpr uint32_t ERROR_BAD_EXE_FORMAT = 193;
inline constexpr uint32_t ERROR_SEEK_ON_DEVICE = 132;
inline constexpr uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr uint32_t ERROR_NO_DATA = 232;
inline constexpr uint32_t ERROR_OPERATION_ABORTED = 995;

// Maps an errno value (ENOENT 2, ENOTDIR 3, EACCES 5, ENOSPC 112, ...).
uint32_t SystemErrorFromErrno(int err);

// The calling thread's last error, set by the platform layer's operations.
uint32_t GetLastError();
void SetLastError(uint32_t code);
// Sets the last error from errno and returns it.
uint32_t SetLastErrorFromErrno();

// A short English description of a system code ("The system cannot find the
// file specified."), for messages.
const char* SystemErrorMessage(uint32_t code);
