// Whether a file or folder is the user's own: owned by the user running the
// program and not writable by group or others. A file that fails this may
// have been planted by someone else. Any thread.
#pragma once

#include <QString>

// False, with the reason in *why, when the path cannot be examined, belongs
// to another user, or may be written by group or others.
bool IsPrivateToUser(const QString& path, QString* why = nullptr);
