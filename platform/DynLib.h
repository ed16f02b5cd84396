// Dynamic libraries over dlopen, with Windows-compatible results: a missing
// file or a missing dependency gives 126, a file that is not a loadable
// library for this machine (not ELF, another class or processor, not a shared
// object) 193, a file that may not be read 5, a dependency that lacks a
// symbol the library needs 127. Every function may be called on any thread.
#pragma once

#include <QString>
#include <cstdint>

using HMODULE = void*;

// Loads by full path. On failure returns null and stores the code in *error
// (and the thread's last error).
HMODULE LoadLibraryPath(const QString& path, uint32_t* error = nullptr);
// The detail of the calling thread's last LoadLibraryPath failure (the
// loader's message or what was wrong with the file), for diagnostics; empty
// after a success.
QString LoadLibraryErrorText();
void* GetProcAddress(HMODULE module, const char* name);
void FreeLibrary(HMODULE module);
// The module that contains the given address (for a library to find itself), or null.
HMODULE ModuleFromAddress(const void* address);
// The full path of the file that contains the given address.
QString ModulePathFromAddress(const void* address);
