#include "platform/SysError.h"

#include <cerrno>

namespace {
thread_local uint32_t t_lastError = 0;
}

uint32_t SystemErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return 0;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOEXEC:
      return ERROR_BAD_EXE_FORMAT;
    case EIO:
      return ERROR_WRITE_FAULT;
    case ESPIPE:
      return ERROR_SEEK_ON_DEVICE;
    case EPIPE:
      return ERROR_NO_DATA;
    default:
      return ERROR_WRITE_FAULT;
  }
}

uint32_t GetLastError() {
  return t_lastError;
}

void SetLastError(uint32_t code) {
  t_lastError = code;
}

uint32_t SetLastErrorFromErrno() {
  t_lastError = SystemErrorFromErrno(errno);
  return t_lastError;
}

const char* SystemErrorMessage(uint32_t code) {
  switch (code) {
    case 0:
      return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
      return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
      return "Access is denied.";
    case ERROR_INVALID_HANDLE:
      return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY:
      return "Not enough memory resources are available.";
    case ERROR_INVALID_DATA:
      return "The data is invalid.";
    case ERROR_WRITE_FAULT:
      return "The system cannot write to the specified device.";
    case ERROR_READ_FAULT:
      return "The system cannot read from the specified device.";
    case ERROR_INVALID_PARAMETER:
      return "The parameter is incorrect.";
    case ERROR_DISK_FULL:
      return "There is not enough space on the disk.";
    case ERROR_MOD_NOT_FOUND:
      return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND:
      return "The specified procedure could not be found.";
    case ERROR_BAD_EXE_FORMAT:
      return "The file is not a valid library for this machine.";
    case ERROR_FILENAME_EXCED_RANGE:
      return "The file name is too long.";
    case ERROR_SEEK_ON_DEVICE:
      return "The file pointer cannot be set on the specified device or file.";
    case ERROR_NO_DATA:
      return "The pipe is being closed.";
    case ERROR_OPERATION_ABORTED:
      return "The I/O operation has been aborted because of either a thread exit or an "
             "application request.";
    default:
      return "Unknown error.";
  }
}
