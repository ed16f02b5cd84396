// Version notes: string pairs ("FileVersion", "ProductName", ...) in the ELF
// note section that TTS_VERSION_NOTE writes, read from the file without
// loading it.
#pragma once

#include <QString>

// The value of key (letter case ignored) in the file's version note; the
// running program's own file when path is empty. Empty when the file, the note
// or the key is missing or the file is malformed. Reads the file only; any
// thread.
QString GetFileVersionString(const QString& path, const QString& key);
// The folder of the running program, without a trailing separator (computed
// once from /proc/self/exe).
QString GetAppDir();
// The running program's full path.
QString GetAppPath();
