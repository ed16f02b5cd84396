// `vudeze --help` and `--version` without a window: which argument asks for
// them under the program's own command-line rules, which language answers,
// and what the texts hold in each language.
#include <gtest/gtest.h>

#include <memory>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/ProgramInfo.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(ProgramInfo, HelpOrVersionFollowTheProgramsCommandLineRules) {
  using R = ProgramInfoRequest;
  struct Row {
    QStringList args;
    R request;
  } rows[] = {
      {{"--help"}, R::kHelp},
      {{"-h"}, R::kHelp},
      {{"text.txt", "--version"}, R::kVersion},
      {{"-v", "--help"}, R::kVersion},  // the first one counts
      {{"-s", "--help"}, R::kNone},     // the engine library's path, taken whole
      {{"-silent", "-v"}, R::kNone},
      {{"-s", "lib.so", "-h"}, R::kHelp},
      {{"-help"}, R::kNone},  // a switch of the framework's parser, as before
      {{"/h"}, R::kNone},     // a path here
      {{"-p", "text.txt"}, R::kNone},
      {{}, R::kNone},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FindProgramInfoRequest(row.args), row.request) << row.args.join(' ').toStdString();
}

TEST(ProgramInfo, StartupLanguageStoredThenTheUsersThenSimplified) {
  struct Row {
    uint32_t stored;
    uint16_t user;
    bool enu, cht;
    uint32_t chosen;
  } rows[] = {
      {ID_LANG_CHS, 0x0409, true, true, ID_LANG_ENU},  // nothing chosen yet: the user's
      {ID_LANG_CHS, 0x0404, true, true, ID_LANG_CHT},
      {ID_LANG_CHS, 0x0804, true, true, ID_LANG_CHS},
      {ID_LANG_CHT, 0x0409, true, true, ID_LANG_CHT},  // the stored choice wins
      {ID_LANG_ENU, 0x0804, true, true, ID_LANG_ENU},
      {ID_LANG_CHT, 0x0409, true, false, ID_LANG_ENU},  // its pack is missing
      {ID_LANG_ENU, 0x0409, false, true, ID_LANG_CHS},
      {ID_LANG_CHS, 0x0404, true, false, ID_LANG_CHS},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ChooseStartupLanguage(r.stored, r.user, r.enu, r.cht), r.chosen)
        << r.stored << ' ' << r.user << ' ' << r.enu << r.cht;
}

TEST(ProgramInfo, TextsInEveryLanguage) {
  const std::unique_ptr<CResourceModule> enu =
      CResourceModule::LoadPack(BinPath("EnuLangPack.rcc"));
  const std::unique_ptr<CResourceModule> cht =
      CResourceModule::LoadPack(BinPath("ChtLangPack.rcc"));
  ASSERT_TRUE(enu && cht);
  const struct {
    const CResourceModule* module;
    QString usage, engineOption, missing;
  } rows[] = {
      {CResourceModule::Program(), QStringLiteral("用法：vudeze [-s 引擎库] [文本文件]"),
       QStringLiteral("  -s 引擎库\n"), QStringLiteral("合成引擎库 /x.so：找不到该文件\n")},
      {enu.get(), "Usage: vudeze [-s ENGINE_LIBRARY] [TEXTFILE]", "  -s ENGINE_LIBRARY\n",
       "engine library /x.so: not found\n"},
      {cht.get(), QStringLiteral("用法：vudeze [-s 引擎庫] [文字檔]"),
       QStringLiteral("  -s 引擎庫\n"), QStringLiteral("合成引擎庫 /x.so：找不到該檔案\n")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.module->Source().toStdString());
    const QString help = ProgramHelpText(*row.module);
    EXPECT_TRUE(help.startsWith(row.usage + "\n\n")) << help.toStdString();
    EXPECT_TRUE(help.contains(row.engineOption)) << help.toStdString();
    EXPECT_TRUE(help.contains("\n  -h, --help\n      ")) << help.toStdString();
    EXPECT_TRUE(help.contains("\n  -v, --version\n      ")) << help.toStdString();
    EXPECT_TRUE(help.contains("vudeze(1)"));
    EXPECT_FALSE(help.contains("%")) << "every value is filled in";
    EXPECT_TRUE(ProgramVersionText(*row.module, "/x.so").endsWith(row.missing));
  }
  // A real library: its product name and version; no library, no line.
  const QString engine = BinPath("libtestengine.so");
  EXPECT_TRUE(ProgramVersionText(*enu, engine)
                  .endsWith("engine library " + engine + ": VUDEZE Test Engine 1.0.0.1\n"));
  EXPECT_EQ(ProgramVersionText(*enu, QString()).count('\n'), 1);
}

}  // namespace
