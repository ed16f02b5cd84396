// The resource modules: the program's own and the two language packs hold
// the same resources under the same numbers, and a pack that is missing or
// damaged is refused rather than half used.
#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <functional>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "tests/support/TestSupport.h"

namespace {

struct Modules {
  std::unique_ptr<CResourceModule> enu, cht;
  std::vector<const CResourceModule*> all;
  Modules() {
    enu = CResourceModule::LoadPack(BinPath("EnuLangPack.rcc"));
    cht = CResourceModule::LoadPack(BinPath("ChtLangPack.rcc"));
    all = {CResourceModule::Program(), enu.get(), cht.get()};
  }
};

// The structure of a menu: kinds and command ids, not texts.
QStringList Shape(const CMenuResource& menu) {
  QStringList shape;
  std::function<void(const CMenuResource&, int)> walk = [&](const CMenuResource& m, int depth) {
    for (const CMenuResource& item : m.items) {
      shape << QStringLiteral("%1%2:%3").arg(QString(depth, ' ')).arg(item.kind).arg(item.id);
      if (item.kind == CMenuResource::kPopup) walk(item, depth + 1);
    }
  };
  walk(menu, 0);
  return shape;
}

TEST(ResourceModule, PacksHoldEveryResourceUnderTheSameNumbers) {
  Modules m;
  ASSERT_NE(m.enu, nullptr);
  ASSERT_NE(m.cht, nullptr);
  const QStringList programKeys = m.all[0]->Keys();
  const QSet<QString> keys(programKeys.begin(), programKeys.end());
  for (const CResourceModule* module : m.all) {
    const QStringList k = module->Keys();
    EXPECT_EQ(QSet<QString>(k.begin(), k.end()), keys) << qPrintable(module->Source());
    for (uint32_t menu : {IDR_MAINFRAME, IDR_POPUP_BARS}) {
      ASSERT_NE(module->Menu(menu), nullptr);
      EXPECT_EQ(Shape(*module->Menu(menu)), Shape(*m.all[0]->Menu(menu)));
    }
    EXPECT_EQ(module->Accelerators(IDR_MAINFRAME).size(),
              m.all[0]->Accelerators(IDR_MAINFRAME).size());
    for (uint32_t bar : {IDR_MAINFRAME, IDR_FORMATBAR}) {
      ASSERT_NE(module->Toolbar(bar), nullptr);
      EXPECT_EQ(module->Toolbar(bar)->buttons, m.all[0]->Toolbar(bar)->buttons);
    }
  }
  EXPECT_EQ(m.all[0]->String(IDS_CONTROLPANEL_TITLE), QString::fromUtf8("控制面板"));
  EXPECT_EQ(m.enu->String(IDS_CONTROLPANEL_TITLE), "Control Panel");
  EXPECT_EQ(m.cht->String(IDS_INIT_FAILED_BUSY).left(12),
            QString::fromUtf8("初始化TTS合成系統失敗"));
}

// Every command that a menu, a toolbar or a key can give has a status-bar
// prompt and a tooltip in every language.
TEST(ResourceModule, EveryCommandHasAPromptAndATooltip) {
  Modules m;
  for (const CResourceModule* module : m.all) {
    QSet<uint32_t> commands;
    std::function<void(const CMenuResource&)> walk = [&](const CMenuResource& menu) {
      for (const CMenuResource& item : menu.items) {
        if (item.kind == CMenuResource::kItem) commands << item.id;
        if (item.kind == CMenuResource::kPopup) walk(item);
      }
    };
    walk(*module->Menu(IDR_MAINFRAME));
    for (uint32_t id : module->Toolbar(IDR_MAINFRAME)->buttons)
      if (id != 0) commands << id;
    for (const CAccelerator& a : module->Accelerators(IDR_MAINFRAME)) {
      commands << a.command;
      EXPECT_FALSE(a.keys.isEmpty()) << a.command;
    }
    for (uint32_t id : commands) {
      const QString text = module->String(id);
      EXPECT_FALSE(text.isEmpty()) << id << " in " << qPrintable(module->Source());
      if (id != ID_FILE_MRU_FILE1) {
        EXPECT_TRUE(text.contains('\n')) << id << " in " << qPrintable(module->Source());
      }
    }
  }
}

TEST(ResourceModule, PicturesAreThereInEveryModule) {
  Modules m;
  for (const CResourceModule* module : m.all) {
    for (uint32_t id : {IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_HOT, IDB_TOOLBAR_DISABLED}) {
      const QImage strip = module->Bitmap(id);
      EXPECT_EQ(strip.size(), QSize(16 * 17, 16)) << id;
    }
    EXPECT_EQ(module->Bitmap(IDB_SPLASH).size(), QSize(423, 221));
    EXPECT_EQ(module->Bitmap(IDB_INFO_STATES).size(), QSize(48, 16));
    EXPECT_EQ(module->Bitmap(IDB_SCROLL_ARROWS).size(), QSize(6 * 16, 8));
    EXPECT_EQ(module->Bitmap(IDB_SLIDER_THUMB).size(), QSize(2 * 16, 10));
  }
}

TEST(ResourceModule, AMissingOrDamagedPackIsRefused) {
  uint32_t error = 0;
  EXPECT_EQ(CResourceModule::LoadPack("/nonexistent/EnuLangPack.rcc", &error), nullptr);
  EXPECT_EQ(error, 2u);

  QTemporaryDir dir;
  const QString damaged = dir.filePath("EnuLangPack.rcc");
  QFile real(BinPath("EnuLangPack.rcc"));
  ASSERT_TRUE(real.open(QIODevice::ReadOnly));
  QFile f(damaged);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(real.read(40));  // a truncated pack
  f.close();
  EXPECT_EQ(CResourceModule::LoadPack(damaged, &error), nullptr);
  EXPECT_EQ(error, 13u);
}

// The current module decides what every loader gives; a module that goes
// away is no longer current.
TEST(ResourceModule, TheCurrentModuleIsWhatTheLoadersRead) {
  auto enu = CResourceModule::LoadPack(BinPath("EnuLangPack.rcc"));
  ASSERT_NE(enu, nullptr);
  AfxSetResourceHandle(enu.get());
  EXPECT_EQ(AfxCommandPrompt(ID_VIEW_CONTROLPANEL), "Show or hide the control panel");
  EXPECT_EQ(AfxCommandTip(ID_VIEW_CONTROLPANEL), "Toggle Control Panel");
  EXPECT_EQ(AfxFormatString(IDS_INIT_FAILED_CODE, 126u).section('\n', 1, 1),
            "error code: 0x0000007e");
  enu.reset();
  EXPECT_EQ(AfxGetResourceHandle(), CResourceModule::Program());
  EXPECT_EQ(AfxCommandTip(ID_VIEW_CONTROLPANEL), QString::fromUtf8("显隐控制面板"));
}

}  // namespace
