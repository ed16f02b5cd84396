// Initialisation files (vudeze.ini) read with the profile functions' rules: a
// missing file, section or key gives the default; an integer value that does
// not start with a number reads 0, an empty one the default. Sections and keys
// ignore letter case; names and values are trimmed, a value in quotes loses
// them; lines starting with ";" are comments. Reads the file on each call;
// any thread.
#pragma once

#include <QString>

QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& path);
int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                         const QString& path);
