// The engine configuration dialog's rules without the dialog: list lines, the
// engine information text, the preselected line, messages, IPv4 text.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "settings/TtsConfLogic.h"

namespace {

TTSEngineInfo Record(const char* name, const char* address) {
  TTSEngineInfo r{};
  r.size = sizeof r;
  std::strcpy(r.name, name);
  std::strcpy(r.serverAddress, address);
  return r;
}

TEST(TtsConfLogic, ListLineNumbersFromOneWithTwoDigits) {
  EXPECT_EQ(EngineListLine(1, Record("E1", "127.0.0.1")), "01. tts://127.0.0.1/E1");
  EXPECT_EQ(EngineListLine(12, Record("cmn", "")), "12. tts:///cmn");
  EXPECT_EQ(EngineListLine(256, Record("x", "10.0.0.9")), "256. tts://10.0.0.9/x");
}

TEST(TtsConfLogic, InformationTextLinesAndTables) {
  TTSEngineInfo r = Record("E1", "127.0.0.1");
  std::strcpy(r.version, "2.1");
  std::strcpy(r.vendor, "Acme");
  std::strcpy(r.path, "/opt/e1");
  std::strcpy(r.userLibs, "a.lib;b.lib");
  r.type = TTS_ENGINE_TYPE_UNIVERSAL;
  r.status = 7;  // outside the table
  r.procid = 4242;
  r.stdeffi = 99;
  r.charsetCount = 5;
  const uint32_t charsets[] = {1, 0, 4, 7, 6};
  std::memcpy(r.charsets, charsets, sizeof charsets);
  r.markupCount = 2;
  r.markups[0] = TTS_MARKUP_SSML;
  r.markups[1] = 9;
  EXPECT_EQ(EngineInfoText(&r),
            "Name:\t E1\r\nVersion: 2.1\r\nType:\t Universal\r\nStatus:\t Unknown\r\n"
            "Vendor:\t Acme\r\nHost:\t 127.0.0.1\r\nPath:\t /opt/e1\r\nProcid:\t 4242\r\n"
            "Stdeffi: 99\r\nUserlib: a.lib;b.lib\r\nCharset: GB2312;UNICODE;UTF8;\r\n"
            "Marklng: SSML Text;");
  EXPECT_EQ(EngineInfoText(nullptr), QString());
}

// An engine that fills every text field without a terminating zero and claims
// far more list entries than the record holds: the text stops at each field's
// room and at 32 entries, and stays inside the 4096-byte buffer.
TEST(TtsConfLogic, OverfullRecordStaysInsideItsFieldsAndTheBuffer) {
  TTSEngineInfo r{};
  std::memset(&r, 'x', sizeof r);
  r.charsetCount = 100000;
  r.markupCount = 0xFFFFFFFF;
  for (int i = 0; i < 32; ++i) {
    r.charsets[i] = TTS_CHARSET_GB18030;
    r.markups[i] = TTS_MARKUP_CSSML;
  }
  const QByteArray text = EngineInfoBytes(r);
  EXPECT_LT(text.size(), kEngineInfoMax);
  EXPECT_EQ(text.count("GB18030;"), 32);
  EXPECT_EQ(text.count("CSSML Text;"), 32);
  EXPECT_TRUE(text.contains("Name:\t " + QByteArray(64, 'x') + "\r\n"));
  EXPECT_TRUE(text.contains("Path:\t " + QByteArray(1024, 'x') + "\r\n"));
  EXPECT_TRUE(text.endsWith("CSSML Text;"));
}

TEST(TtsConfLogic, PreselectionFollowsTheStoredEngine) {
  const std::vector<TTSEngineInfo> records = {Record("E1", "127.0.0.1"), Record("E2", "10.0.0.9"),
                                              Record("E2", "127.0.0.1"), Record("E2", "127.0.0.1")};
  const auto at = [&records](uint32_t i) { return &records[i]; };
  EXPECT_EQ(PreselectedEngine(4, at, "127.0.0.1", "E2"), 2);  // name and address both
  EXPECT_EQ(PreselectedEngine(4, at, "10.0.0.9", "E2"), 1);
  EXPECT_EQ(PreselectedEngine(4, at, "127.0.0.1", "e2"), 0);  // case counts; else the first
  EXPECT_EQ(PreselectedEngine(4, at, "", ""), 0);
  EXPECT_EQ(PreselectedEngine(0, at, "127.0.0.1", "E1"), -1);
}

TEST(TtsConfLogic, MessagesOfResultCodes) {
  ConfMessage m = LoadFailureMessage(126);
  EXPECT_EQ(m.text, "Can't load the specified module, error code = 0x007e");
  EXPECT_EQ(m.type, MB_ICONSTOP);
  m = EnumFailureMessage(TTSERR_NOMORE);
  EXPECT_EQ(m.text, AfxString(IDS_NO_ENGINE_FOUND));
  EXPECT_EQ(m.text, QString::fromUtf8("没有发现合适的合适引擎，请检查相关的引擎配置。"));
  EXPECT_EQ(m.type, MB_ICONSTOP);
  EXPECT_EQ(EnumFailureMessage(0x12345).text, "Can't query engine info,error code = 0x12345");
  m = UnloadQuestion(QString::fromUtf8("引擎 E1"));
  EXPECT_EQ(m.text,
            QString::fromUtf8("Engine \"引擎 E1\" loaded, Unload it to enumerate other engines?"));
  EXPECT_EQ(m.type, MB_OKCANCEL | MB_ICONQUESTION);
  EXPECT_EQ(SelectFailureQuestion(11, true).text,
            "Can't initialize TTS service(code = 0x000b),Save this settings now?");
  EXPECT_EQ(SelectFailureQuestion(11, false).text,
            "Can't initialize TTS service(code = 0x000b),Close the dialog now?");
  EXPECT_TRUE(IsAcceptedResult(0));
  EXPECT_TRUE(IsAcceptedResult(TTSERR_ALREADYINIT));
  EXPECT_FALSE(IsAcceptedResult(TTSERR_NOMORE));
}

TEST(TtsConfLogic, DottedAddresses) {
  EXPECT_EQ(FormatIPv4(kTtsConfDefaultIP), "192.168.0.100");
  EXPECT_EQ(FormatIPv4(0xFFFFFFFF), "255.255.255.255");
  uint32_t address = 7;
  EXPECT_TRUE(ParseIPv4("10.0.255.1", &address));
  EXPECT_EQ(address, 0x0A00FF01u);
  EXPECT_TRUE(ParseIPv4("0.0.0.0", &address));
  EXPECT_EQ(address, 0u);
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "01.2.3.4", " 1.2.3.4",
                          "1.2.3.-4", "a.b.c.d", "1.2.3.4."}) {
    SCOPED_TRACE(bad);
    address = 7;
    EXPECT_FALSE(ParseIPv4(QString::fromLatin1(bad), &address));
    EXPECT_EQ(address, 7u);
  }
}

}  // namespace
