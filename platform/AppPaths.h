// Where the program and the front end find their companion files.
//
// In a build tree everything lies beside the programs (build/bin): the
// bundled engine library with its synthesiser helper, background-sound
// module and data, the language packs and the default settings; the help is
// build/help/index.html. An installed tree (cmake --install, PREFIX/bin for
// the programs) keeps them in the standard places:
//   PREFIX/lib/vudeze/          the engine library and what it loads beside itself
//   PREFIX/share/vudeze/        the language packs, vudeze-defaults.conf
//   PREFIX/share/vudeze/help/   the help (index.html)
// The installed layout is recognised by PREFIX/share/vudeze beside the
// programs' folder; otherwise the build tree's layout holds. Any thread.
#pragma once

#include <QString>

// Whether appDir is the bin folder of an installed tree.
bool IsInstalledLayout(const QString& appDir);
// The folder of the bundled engine library (libvarentts.so).
QString AppEngineDir(const QString& appDir);
// The folder of the language packs and vudeze-defaults.conf.
QString AppDataDir(const QString& appDir);
// The help's start page.
QString AppHelpFile(const QString& appDir);
