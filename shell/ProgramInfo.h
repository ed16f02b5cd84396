// `vudeze --help` and `vudeze --version`: found on the command line before
// anything else starts, printed to stdout, and the program exits with 0
// without opening a window (so they work without a display). The texts are
// the string table's, in the language the program would start in; the
// version is the program's own and the engine library's, as the About box
// shows them.
//
// The command line keeps the program's own rules (shell/CommandLine.h): the
// argument after an engine library flag is a path, never an option, and
// every other option is left to the program as before.
//
// Widget-free; the main thread, before the application object exists.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class CResourceModule;

enum class ProgramInfoRequest { kNone, kHelp, kVersion };

// The first of -h/--help and -v/--version on the command line (the
// arguments after the program's name), or kNone.
ProgramInfoRequest FindProgramInfoRequest(const QStringList& args);

// The language the program starts in (ID_LANG_CHS, ID_LANG_ENU or
// ID_LANG_CHT): the stored one when its pack is there, else the user's own
// (userLangId, Windows language id) when its pack is there, else Simplified
// Chinese.
uint32_t ChooseStartupLanguage(uint32_t stored, uint16_t userLangId, bool haveEnglishPack,
                               bool haveTraditionalPack);

QString ProgramHelpText(const CResourceModule& module);
// "vudeze VERSION" and a line for the engine library (its product name and
// version, or that it is missing or has no version note).
QString ProgramVersionText(const CResourceModule& module, const QString& engineLibrary);

// Prints what request asks for, as the program started with args would
// (its packs, its settings, its engine library). The exit code: 0, or 1
// when stdout could not be written.
int PrintProgramInfo(ProgramInfoRequest request, const QStringList& args);
