// Files written whole or not at all: a new file is written under a
// temporary name in the target's folder and moved over the target once it is
// complete, so a failure never leaves a half-written file where the old one
// was. Any thread.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <cstdio>

// Creates a new, empty file in folder (with the permissions a new file gets)
// under a name no other file has, open for binary writing. Null on failure,
// with *error the system code (3 missing folder, 5 access denied, ...).
std::FILE* CreateTempFileIn(const QByteArray& folder, QByteArray* name, uint32_t* error);
// Moves from over to (one step on one file system). 0 or the system code.
uint32_t ReplaceFileWith(const QByteArray& from, const QByteArray& to);
// Removes a file; nothing when it is not there.
void RemoveFileIfThere(const QByteArray& path);
