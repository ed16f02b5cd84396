// Dynamic libraries over dlopen, with Windows-compatible results: a missing
// file or a missing dependency gives 126, a file that is not a loadable
// library for this machine 193.
#pragma once

#include <QString>
#include <cstdint>

using HMODULE = void*;

// Loads by full path. On failure returns null and stores the code in *error
// (and the thread's last error).
HMODULE LoadLibraryPath(const QString& path, uint32_t* error = nullptr);
void* GetProcAddress(HMODULE module, const char* name);
void FreeLibrary(HMODULE module);
// The module that contains the given address (for a library to find itself), or null.
HMODULE ModuleFromAddress(const void* address);
// The full path of the file that contains the given address.
QString ModulePathFromAddress(const void* address);
