// Start-up options: the initialisation file vudeze.ini and the command line.
// A shortcut can name the engine library (-s PATH), the ini file can name
// one too, switch the splash off and the console on.
//
// vudeze.ini is read beside the program, else in the current folder. The
// current folder's file is used only when it and its folder belong to the
// user and neither is writable by group or others: a file planted in a
// shared folder must not make the program load a library of its choosing.
//
// Only "-" starts a flag: on this system "/..." is a path. Widget-free; the
// user-interface thread.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "framework/WinApp.h"

class CTtsCommandLineInfo : public CCommandLineInfo {
 public:
  // The engine library named by the command line or the ini file; empty for none.
  QString m_strEngineModule;
};

struct CStartupOptions {
  int console = 0;  // "console"/"show"
  QString iniPath;  // the file read, empty when none was used
};

// Reads "engine"/"module", "console"/"show" and "splash"/"show" (in that
// order) into info and options. appDir and currentDir are the folders to
// look in. *warning (when given) receives why a file in the current folder
// was ignored.
void ReadIniOptions(CTtsCommandLineInfo* info, CStartupOptions* options, const QString& appDir,
                    const QString& currentDir, QString* warning = nullptr);

// Whether a file in the current folder may be trusted as the ini file; *why
// tells what is wrong when not.
bool IsTrustedIniFile(const QString& path, QString* why = nullptr);

// Parses the arguments after the program's name. A flag whose second
// character is "s" or "S" (-s, -S, -silent) takes the next argument whole
// as the engine library; every other argument goes to the framework's
// parser. Returns whether the command line named the engine library (also
// when the flag was the last argument, with no library after it).
bool ParseCommandLine(const QStringList& args, CTtsCommandLineInfo* info);
