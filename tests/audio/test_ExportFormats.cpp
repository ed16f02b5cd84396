#include <gtest/gtest.h>

#include <set>

#include "audio/ExportFormats.h"
#include "sdk/ttsapi.h"

namespace {

// An engine's format parameter: rejects the codes it is given, remembers the
// value set last and counts the calls.
class FakeEngine : public IEngineParams {
 public:
  uint32_t GetEngineParam(uint32_t id, uint32_t* value) override {
    if (id != TTS_PARAM_AUDIODATAFMT) return TTSERR_INVALIDPARAM;
    if (failGet) return TTSERR_ENGINEFAIL;
    *value = format;
    return 0;
  }
  uint32_t SetEngineParam(uint32_t id, uint32_t value) override {
    if (id != TTS_PARAM_AUDIODATAFMT) return TTSERR_INVALIDPARAM;
    ++sets;
    if (rejected.count(value) != 0) return TTSERR_INVALIDVALUE;
    format = value;
    return 0;
  }
  uint32_t format = 4;
  bool failGet = false;
  int sets = 0;
  std::set<uint32_t> rejected;
};

TEST(ExportFormats, EngineAcceptingAllListsEveryRowOfTheType) {
  struct Row {
    int type;
    int count;
    const char* first;
    const char* last;
  } rows[] = {
      {0, 9, "DEFAULT", "PCM 6K 8-bit"},
      {1, 8, "ALAW 16-bit", "ULAW 6-bit"},
      {2, 4, "ADPCM G.721 8K 4-bit", "ADPCM G.723 5-bit"},
      {3, 2, "VOX 6K", "VOX 8K"},
  };
  CExportFormats formats;
  FakeEngine engine;
  for (const Row& row : rows) {
    CExportChoice choice(formats, engine);
    choice.FillEncodingList(row.type);
    ASSERT_EQ(choice.Encodings().size(), row.count) << row.type;
    EXPECT_EQ(choice.Encodings().front(), QString::fromLatin1(row.first));
    EXPECT_EQ(choice.Encodings().back(), QString::fromLatin1(row.last));
    EXPECT_EQ(choice.EncodingIndex(), 0);
  }
}

TEST(ExportFormats, RejectedCodeShiftsTheItemsThatFollow) {
  CExportFormats formats;
  FakeEngine engine;
  engine.rejected = {2};
  CExportChoice choice(formats, engine);
  choice.FillEncodingList(0);
  ASSERT_EQ(choice.Encodings().size(), 8);
  EXPECT_FALSE(choice.Encodings().contains(QStringLiteral("PCM 16K 8-bit")));
  // item: expected code
  const std::pair<int, int32_t> picks[] = {{0, 0}, {1, 4}, {2, 6}, {7, 7}};
  for (auto [item, code] : picks) {
    choice.SelectEncoding(item);
    EXPECT_EQ(choice.GetFormatCode(), code) << item;
  }
  EXPECT_EQ(choice.Encodings().at(2), QStringLiteral("PCM 11K 16-bit"));
}

TEST(ExportFormats, SwitchingTypeRefillsAndResetsTheIndex) {
  CExportFormats formats;
  FakeEngine engine;
  CExportChoice choice(formats, engine);
  choice.FillEncodingList(0);
  choice.SelectEncoding(5);
  EXPECT_EQ(choice.GetFormatCode(), 3);
  choice.FillEncodingList(1);
  EXPECT_EQ(choice.TypeIndex(), 1);
  EXPECT_EQ(choice.EncodingIndex(), 0);
  EXPECT_EQ(choice.GetFormatCode(), 9);
  choice.SelectEncoding(4);  // "ULAW 16-bit": table order, not code order
  EXPECT_EQ(choice.GetFormatCode(), 10);
}

TEST(ExportFormats, ProbeRestoresTheEngineFormat) {
  CExportFormats formats;
  FakeEngine engine;
  engine.format = 13;
  engine.rejected = {9, 10};
  CExportChoice choice(formats, engine);
  for (int type = 0; type < kExportFileTypeCount; ++type) {
    choice.FillEncodingList(type);
    EXPECT_EQ(engine.format, 13u) << type;
  }
}

TEST(ExportFormats, UnreadableFormatIsNotOverwrittenWithAGuess) {
  CExportFormats formats;
  FakeEngine engine;
  engine.failGet = true;
  CExportChoice choice(formats, engine);
  choice.FillEncodingList(3);
  // Two probes and no restore with an invented value.
  EXPECT_EQ(engine.sets, 2);
  EXPECT_EQ(engine.format, 22u);
}

TEST(ExportFormats, TypeWithoutAcceptedCodesRefusesEveryName) {
  CExportFormats formats;
  FakeEngine engine;
  for (uint32_t c = 1; c <= 30; ++c) engine.rejected.insert(c);
  CExportChoice choice(formats, engine);
  choice.FillEncodingList(1);
  EXPECT_TRUE(choice.Encodings().isEmpty());
  EXPECT_EQ(choice.EncodingIndex(), -1);
  EXPECT_FALSE(choice.CanAccept());
  EXPECT_EQ(choice.GetFormatCode(), 0);
  // The default row is never probed and stays listed.
  choice.FillEncodingList(0);
  EXPECT_EQ(choice.Encodings(), QStringList{QStringLiteral("DEFAULT")});
  EXPECT_TRUE(choice.CanAccept());
  EXPECT_TRUE(formats.IsSupported(0));
}

TEST(ExportFormats, NoSelectionGivesCodeZero) {
  CExportFormats formats;
  FakeEngine engine;
  CExportChoice choice(formats, engine);
  EXPECT_EQ(choice.GetFormatCode(), 0);
  choice.FillEncodingList(2);
  choice.SelectEncoding(3);
  EXPECT_EQ(choice.GetFormatCode(), 20);
  // An index past the list is no choice, not a code of another type.
  choice.SelectEncoding(4);
  EXPECT_EQ(choice.EncodingIndex(), -1);
  EXPECT_EQ(choice.GetFormatCode(), 0);
  choice.FillEncodingList(-1);
  EXPECT_EQ(choice.TypeIndex(), -1);
  EXPECT_EQ(choice.GetFormatCode(), 0);
}

TEST(ExportFormats, FlagsLiveInTheTableAcrossDialogs) {
  CExportFormats formats;
  FakeEngine engine;
  engine.rejected = {17};
  CExportChoice first(formats, engine);
  first.FillEncodingList(2);
  EXPECT_FALSE(formats.IsSupported(17));
  EXPECT_TRUE(formats.IsSupported(18));
  // A later probe of the same rows rewrites their flags.
  engine.rejected.clear();
  CExportChoice second(formats, engine);
  second.FillEncodingList(2);
  EXPECT_TRUE(formats.IsSupported(17));
  EXPECT_EQ(second.GetFormatCode(), 17);
}

}  // namespace
