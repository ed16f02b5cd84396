#include "settings/TtsConfLogic.h"

#include <QStringList>
#include <cstdio>

#include "engine/TtsAdapter.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"

namespace {

constexpr uint32_t kListRoom = 32;

QString FromAnsi(const QByteArray& bytes) {
  return MultiByteToWide(GetACP(), bytes);
}

}  // namespace

const char* EngineTypeName(uint32_t code) {
  switch (code) {
    case TTS_ENGINE_TYPE_NUMBER:
      return "Number";
    case TTS_ENGINE_TYPE_UNIVERSAL:
      return "Universal";
    default:
      return "Unknown";
  }
}

const char* EngineStatusName(uint32_t code) {
  switch (code) {
    case TTS_ENGINE_STATUS_LOAD:
      return "Load";
    case TTS_ENGINE_STATUS_UNLOAD:
      return "Unload";
    case TTS_ENGINE_STATUS_DISABLE:
      return "Disable";
    default:
      return "Unknown";
  }
}

const char* CharsetName(uint32_t code) {
  switch (code) {
    case TTS_CHARSET_GB2312:
      return "GB2312";
    case TTS_CHARSET_GBK:
      return "GBK";
    case TTS_CHARSET_BIG5:
      return "BIG5";
    case TTS_CHARSET_UNICODE:
      return "UNICODE";
    case TTS_CHARSET_GB18030:
      return "GB18030";
    case TTS_CHARSET_UTF8:
      return "UTF8";
    default:
      return nullptr;
  }
}

const char* MarkupName(uint32_t code) {
  switch (code) {
    case TTS_MARKUP_PLAIN:
      return "Plain Text";
    case TTS_MARKUP_CSSML:
      return "CSSML Text";
    case TTS_MARKUP_SSML:
      return "SSML Text";
    default:
      return nullptr;
  }
}

QString EngineListLine(int position, const TTSEngineInfo& record) {
  const QByteArray address = VUDEZE_RECORD_TEXT(record, serverAddress);
  const QByteArray name = VUDEZE_RECORD_TEXT(record, name);
  char number[16];
  std::snprintf(number, sizeof number, "%02d", position);
  return FromAnsi(QByteArray(number) + ". tts://" + address + '/' + name);
}

QByteArray EngineInfoBytes(const TTSEngineInfo& record) {
  QByteArray text;
  const auto line = [&text](const char* label, const QByteArray& value) {
    text += label;
    text += value;
    text += "\r\n";
  };
  line("Name:\t ", VUDEZE_RECORD_TEXT(record, name));
  line("Version: ", VUDEZE_RECORD_TEXT(record, version));
  line("Type:\t ", EngineTypeName(record.type));
  line("Status:\t ", EngineStatusName(record.status));
  line("Vendor:\t ", VUDEZE_RECORD_TEXT(record, vendor));
  line("Host:\t ", VUDEZE_RECORD_TEXT(record, serverAddress));
  line("Path:\t ", VUDEZE_RECORD_TEXT(record, path));
  line("Procid:\t ", QByteArray::number(record.procid));
  line("Stdeffi: ", QByteArray::number(record.stdeffi));
  line("Userlib: ", VUDEZE_RECORD_TEXT(record, userLibs));

  // The counts come from the engine: never read past the lists' room. (The
  // record is packed: its fields are read by value, never bound by reference.)
  const uint32_t charsets = record.charsetCount, markups = record.markupCount;
  text += "Charset: ";
  for (uint32_t i = 0; i < charsets && i < kListRoom; ++i)
    if (const char* name = CharsetName(record.charsets[i])) text += QByteArray(name) + ';';
  text += "\r\nMarklng: ";
  for (uint32_t i = 0; i < markups && i < kListRoom; ++i)
    if (const char* name = MarkupName(record.markups[i])) text += QByteArray(name) + ';';
  return text;
}

QString EngineInfoText(const TTSEngineInfo* record) {
  return record != nullptr ? FromAnsi(EngineInfoBytes(*record)) : QString();
}

int PreselectedEngine(uint32_t count, const std::function<const TTSEngineInfo*(uint32_t)>& record,
                      const QString& serverAddress, const QString& engineName) {
  if (count == 0) return -1;
  const QByteArray address = WideToMultiByte(GetACP(), serverAddress);
  const QByteArray name = WideToMultiByte(GetACP(), engineName);
  for (uint32_t i = 0; i < count; ++i) {
    const TTSEngineInfo* r = record(i);
    if (r != nullptr && VUDEZE_RECORD_TEXT(*r, serverAddress) == address &&
        VUDEZE_RECORD_TEXT(*r, name) == name)
      return static_cast<int>(i);
  }
  return 0;
}

bool IsAcceptedResult(uint32_t code) {
  return code == 0 || code == TTSERR_ALREADYINIT;
}

ConfMessage LoadFailureMessage(uint32_t code) {
  return {AfxFormatString(IDS_CONF_LOAD_FAILED, code), MB_ICONSTOP};
}

ConfMessage EnumFailureMessage(uint32_t code) {
  if (code == TTSERR_NOMORE) return {AfxString(IDS_NO_ENGINE_FOUND), MB_ICONSTOP};
  return {AfxFormatString(IDS_CONF_QUERY_FAILED, code), MB_ICONSTOP};
}

ConfMessage UnloadQuestion(const QString& engineName) {
  return {AfxFormatString(IDS_CONF_UNLOAD_ENGINE, engineName.toUtf8().constData()),
          MB_OKCANCEL | MB_ICONQUESTION};
}

ConfMessage SelectFailureQuestion(uint32_t code, bool saveWish) {
  return {AfxFormatString(IDS_CONF_INIT_FAILED, code) +
              AfxString(saveWish ? IDS_CONF_ASK_SAVE : IDS_CONF_ASK_CLOSE),
          MB_OKCANCEL | MB_ICONQUESTION};
}

ConfMessage SaveFailureMessage(uint32_t code) {
  return {AfxFormatString(IDS_CONF_SAVE_FAILED, code), MB_ICONSTOP};
}

QString FormatIPv4(uint32_t address) {
  return QStringLiteral("%1.%2.%3.%4")
      .arg(address >> 24)
      .arg((address >> 16) & 0xFF)
      .arg((address >> 8) & 0xFF)
      .arg(address & 0xFF);
}

bool ParseIPv4(const QString& text, uint32_t* address) {
  const QStringList fields = text.split(QLatin1Char('.'));
  if (fields.size() != 4) return false;
  uint32_t value = 0;
  for (const QString& field : fields) {
    if (field.isEmpty() || field.size() > 3 || (field.size() > 1 && field[0] == QLatin1Char('0')))
      return false;
    for (QChar c : field)
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    const uint32_t n = field.toUInt();
    if (n > 255) return false;
    value = (value << 8) | n;
  }
  if (address != nullptr) *address = value;
  return true;
}
