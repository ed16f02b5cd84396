// The user's default language from the environment, as the C library picks
// the message language: the first non-empty of LC_ALL, LC_MESSAGES, LANG.
// Read on every call (no cache); callable from any thread that does not
// change the environment at the same time.
#include "platform/Language.h"

#include <QByteArray>
#include <QList>
#include <cstdlib>

uint16_t GetUserDefaultLangID() {
  QByteArray name;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      name = value;
      break;
    }
  }
  // "language[_territory][.codeset][@modifier]"
  const qsizetype cut = name.indexOf('.') >= 0 ? name.indexOf('.') : name.indexOf('@');
  if (cut >= 0) name.truncate(cut);
  name.replace('-', '_');
  const QList<QByteArray> parts = name.split('_');
  const QByteArray language = parts.value(0).toLower();
  const QByteArray territory = parts.value(1).toUpper();
  if (language != "zh") return 0x0409;
  // Traditional script where it is the norm (Taiwan, Hong Kong, Macao) or asked for.
  if (territory == "TW" || territory == "HK" || territory == "MO" || territory == "HANT")
    return 0x0404;
  return 0x0804;
}
