// The rules of the engine configuration dialog, without widgets: how an
// engine record becomes a list line and an information text, which line the
// list preselects, which message a result code gives, and the dotted form of
// an IPv4 address. The dialog (CTtsConfDlg) only shows what these return.
//
// Texts of engine records are multibyte in the system's ANSI code page; each
// is read up to its first zero and never past its field's room, and the lists
// of charsets and markups are read up to their room of 32 codes whatever
// count the record claims. So the information text is at most about 2.3 KB
// and always fits the 4096-byte buffer the dialog reserves for it: nothing is
// ever cut or read past the record.
//
// Any thread; the message functions read the current resource module.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

#include "sdk/ttsapi.h"

// The port the dialog always shows; the address box's default address.
inline constexpr int kTtsConfPort = 13606;
inline constexpr uint32_t kTtsConfDefaultIP = 0xC0A80064;  // 192.168.0.100
// Room of the information text, its terminating zero included.
inline constexpr int kEngineInfoMax = 4096;

// Names of the tables of engine records; null for a charset or markup code
// the table lacks (such a code is left out of the lists).
const char* EngineTypeName(uint32_t code);    // outside the table: "Unknown"
const char* EngineStatusName(uint32_t code);  // outside the table: "Unknown"
const char* CharsetName(uint32_t code);
const char* MarkupName(uint32_t code);

// "%02d. tts://%s/%s" with the 1-based position, the record's server address
// and name.
QString EngineListLine(int position, const TTSEngineInfo& record);

// The information text of a record, lines ended by "\r\n" except the last:
//   Name:\t E1 / Version: ... / Type:\t Universal / Status:\t Load /
//   Vendor:\t ... / Host:\t 127.0.0.1 / Path:\t ... / Procid:\t 0 /
//   Stdeffi: 0 / Userlib: ... / Charset: GB2312;UNICODE; / Marklng: Plain Text;
// The multibyte form, and the same converted from the ANSI code page; empty
// for no record.
QByteArray EngineInfoBytes(const TTSEngineInfo& record);
QString EngineInfoText(const TTSEngineInfo* record);

// The line to select after a listing: the first record whose server address
// and name equal the given ones (compared as multibyte text in the ANSI code
// page), else 0; -1 when there are no records. record(i) gives record i.
int PreselectedEngine(uint32_t count, const std::function<const TTSEngineInfo*(uint32_t)>& record,
                      const QString& serverAddress, const QString& engineName);

// Whether LoadModule's or SelectEngine's result lets the dialog go on (0, or
// 8: the engine was initialised already).
bool IsAcceptedResult(uint32_t code);

// A message box's text and type.
struct ConfMessage {
  QString text;
  uint32_t type = 0;
};
// The library cannot be loaded.
ConfMessage LoadFailureMessage(uint32_t code);
// The enumeration failed: no engine at all (19), or another code.
ConfMessage EnumFailureMessage(uint32_t code);
// An engine is connected and another library is to be listed (OK/Cancel).
ConfMessage UnloadQuestion(const QString& engineName);
// The selected engine cannot be brought up: go on and save, or go on and
// close (OK/Cancel).
ConfMessage SelectFailureQuestion(uint32_t code, bool saveWish);
// The chosen engine could not be written to the settings.
ConfMessage SaveFailureMessage(uint32_t code);

// IPv4 addresses as 32-bit numbers, the first field in the highest byte.
// ParseIPv4 accepts exactly four decimal numbers 0-255 separated by dots
// (no blanks, no leading zeros, no empty field).
QString FormatIPv4(uint32_t address);
bool ParseIPv4(const QString& text, uint32_t* address);
