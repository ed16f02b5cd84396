// The program's background-sound lookup against the real libbgvoice.so,
// loaded and unloaded the way the engine library does. Every test leaves the
// module unloaded, so the tests hold whether they run in one process or each
// in its own.
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/DynLib.h"
#include "platform/VersionInfo.h"
#include "plugins/bgvoice/BgSounds.h"
#include "plugins/bgvoice/BgVoiceService.h"
#include "settings/BgVoice.h"
#include "settings/scom.h"
#include "tests/support/TestSupport.h"

namespace {

using InitFn = bgvoice::IBgVoiceService* (*)();

QString ModulePath() {
  return BinPath("libbgvoice.so");
}

// Loads the module for the lifetime of the object.
class CModule {
 public:
  CModule() {
    uint32_t error = 0;
    m_handle = LoadLibraryPath(ModulePath(), &error);
    EXPECT_NE(m_handle, nullptr) << "error " << error;
  }
  ~CModule() { Unload(); }
  void Unload() {
    if (m_handle) FreeLibrary(m_handle);
    m_handle = nullptr;
  }
  HMODULE Handle() const { return m_handle; }
  bgvoice::IBgVoiceService* Init() const {
    auto init = reinterpret_cast<InitFn>(GetProcAddress(m_handle, "bgvoice_module_init"));
    return init ? init() : nullptr;
  }

 private:
  HMODULE m_handle = nullptr;
};

size_t RingSize(scom::i_shdll_mod* start) {
  size_t n = 1;
  for (scom::i_shdll_mod* m = start->next(); m != start && n < 64; m = m->next()) ++n;
  return n;
}

std::vector<int16_t> Render(bgvoice::IBgVoiceService* service, uint32_t value, uint32_t rate,
                            uint64_t position, size_t count) {
  std::vector<int16_t> out(count, 0x7777);
  EXPECT_TRUE(service->Render(value, rate, position, out.data(), out.size()));
  return out;
}

const uint32_t kAllSounds[] = {bgvoice::kSoundRain,  bgvoice::kSoundWaves, bgvoice::kSoundMusic,
                               bgvoice::kSoundNoise, bgvoice::kSoundWind,  bgvoice::kSoundClock};

}  // namespace

TEST(BgVoice, NoProviderMeansNoService) {
  void** cache = GetBgVoiceService();
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(*cache, nullptr);
  EXPECT_EQ(GetBgVoiceService(), cache);  // always the same variable
  EXPECT_EQ(BgVoiceService(), nullptr);
  EXPECT_TRUE(BgSoundsForPackage("abbrev").isEmpty());
}

TEST(BgVoice, LoadedModuleIsFoundAndUnloadClearsTheCache) {
  void** cache = GetBgVoiceService();
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    CModule module;
    ASSERT_NE(module.Handle(), nullptr);
    // Loading alone provides the service; the entry point returns the same.
    ASSERT_EQ(GetBgVoiceService(), cache);
    ASSERT_NE(*cache, nullptr);
    EXPECT_EQ(*cache, static_cast<void*>(module.Init()));
    EXPECT_EQ(*cache, static_cast<void*>(module.Init()));  // idempotent

    // The module keeps a registry of its own (its copy of the registry code
    // does not take over the program's): the program's registry holds no
    // service, its neighbour in the ring does.
    scom::shdll_mod* program = scom::shdll_mod_instance();
    EXPECT_EQ(RingSize(program), 2u);
    EXPECT_EQ(program->find("bgvoice_init", false), nullptr);
    EXPECT_EQ(program->next()->find("bgvoice_init", false), *cache);
    EXPECT_EQ(program->next()->find(nullptr, false), module.Handle());

    module.Unload();
    EXPECT_EQ(*cache, nullptr);
    EXPECT_EQ(RingSize(program), 1u);
    // The variable never names a registry that is gone, so the next load
    // (next round) joins the program's ring safely.
    EXPECT_EQ(scom::parse_registry_address(std::getenv(scom::kEnvName)),
              reinterpret_cast<std::uintptr_t>(static_cast<scom::i_shdll_mod*>(program)));
  }
  EXPECT_EQ(*GetBgVoiceService(), nullptr);
}

TEST(BgVoice, TryModuleConsultsExportsOnlyWhenAsked) {
  CModule module;
  ASSERT_NE(module.Handle(), nullptr);
  void* exported = GetProcAddress(module.Handle(), "bgvoice_module_init");
  ASSERT_NE(exported, nullptr);

  scom::shdll_mod r("probe");
  r.attach(module.Handle(), &r);
  r.register_service("registered", &r);
  EXPECT_EQ(r.find("bgvoice_module_init", true), exported);
  EXPECT_EQ(r.find("bgvoice_module_init", false), nullptr);
  EXPECT_EQ(r.find("registered", true), &r);  // not exported: the table answers
  EXPECT_EQ(r.find("registered", false), &r);
  // The program's lookup never uses exports: the module's registered service
  // is found, its exported function never is.
  EXPECT_EQ(scom::resolve_service(&r, "bgvoice_module_init", nullptr, false), nullptr);
  EXPECT_EQ(scom::resolve_service(&r, "bgvoice_module_init", nullptr, true), exported);
}

TEST(BgVoice, SoundListsConvertFromCodePage936) {
  CModule module;
  ASSERT_NE(module.Handle(), nullptr);
  struct Row {
    QString package;
    QStringList names;
  } rows[] = {
      {"abbrev", {"雨声", "海浪", "轻音乐", "白噪声", "钟表滴答"}},
      {"ABBREV", {"雨声", "海浪", "轻音乐", "白噪声", "钟表滴答"}},
      {"standard", {"雨声", "海浪", "轻音乐", "白噪声", "风声"}},
      {"custom", {"雨声", "海浪", "轻音乐", "白噪声"}},
      {"abbreviations", {"雨声", "海浪", "轻音乐", "白噪声"}},  // no prefix match
      {"定制", {"雨声", "海浪", "轻音乐", "白噪声"}},
      {"", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.package.toStdString());
    QList<BgSoundItem> items = BgSoundsForPackage(row.package);
    QStringList names;
    std::vector<uint32_t> values;
    for (const BgSoundItem& item : items) {
      names << item.name;
      values.push_back(item.value);
    }
    EXPECT_EQ(names, row.names);
    // Values are unique, never the "no background sound" value, and render.
    std::vector<uint32_t> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    for (uint32_t v : values) {
      EXPECT_NE(v, 0xFFFFFFFFu);
      int16_t sample;
      EXPECT_TRUE(BgVoiceService()->Render(v, 8000, 0, &sample, 1));
    }
  }
  // Out-of-range positions of a list.
  bgvoice::ISoundList* list = BgVoiceService()->SoundList(u"abbrev");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Name(-1), nullptr);
  EXPECT_EQ(list->Name(list->Count()), nullptr);
  EXPECT_EQ(BgVoiceService()->SoundList(nullptr), nullptr);
}

TEST(BgVoice, RenderIsDeterministicAndLoopsSeamlessly) {
  std::vector<int16_t> first[std::size(kAllSounds)];
  for (int load = 0; load < 2; ++load) {
    CModule module;
    bgvoice::IBgVoiceService* service = module.Init();
    ASSERT_NE(service, nullptr);
    for (size_t s = 0; s < std::size(kAllSounds); ++s) {
      uint32_t value = kAllSounds[s];
      SCOPED_TRACE(value);
      const uint32_t rate = 44100;
      const uint64_t length = bgvoice::LoopLength(rate);
      std::vector<int16_t> loop = Render(service, value, rate, 0, length);
      // The same samples after the module was unloaded and loaded again.
      if (load == 0)
        first[s] = loop;
      else
        EXPECT_EQ(loop, first[s]);

      // A stretch across the loop's end continues with its beginning, and
      // any later lap repeats the first.
      std::vector<int16_t> across = Render(service, value, rate, length - 300, 600);
      EXPECT_TRUE(std::equal(across.begin(), across.begin() + 300, loop.end() - 300));
      EXPECT_TRUE(std::equal(across.begin() + 300, across.end(), loop.begin()));
      EXPECT_EQ(Render(service, value, rate, 7 * length + 1234, 500),
                std::vector<int16_t>(loop.begin() + 1234, loop.begin() + 1734));
      // A request longer than a loop wraps too.
      std::vector<int16_t> twice = Render(service, value, rate, 5, 2 * length);
      EXPECT_TRUE(std::equal(twice.begin() + length, twice.end(), twice.begin()));

      // No click at the seam: the curvature across the seam (second
      // difference) stays within what the loop has elsewhere. Steps alone
      // would hide a phase jump of a tone or an unsettled filter.
      auto curvature = [&](size_t i) {
        size_t before = (i + length - 1) % length, after = (i + 1) % length;
        return std::abs(loop[after] - 2 * loop[i] + loop[before]);
      };
      // Compared with its neighbourhood, where the sound has the same level.
      int largest = 0;
      for (size_t i = 1; i < 1000; ++i)
        largest = std::max({largest, curvature(i), curvature(length - 1 - i)});
      EXPECT_LE(std::max(curvature(0), curvature(length - 1)), largest);

      // A modest level: audible, well below speech, peaks limited.
      double energy = 0;
      int peak = 0;
      for (int16_t x : loop) {
        energy += double(x) * x;
        peak = std::max(peak, std::abs(int(x)));
      }
      double dbfs = 20 * std::log10(std::sqrt(energy / loop.size()) / 32768.0);
      EXPECT_GT(dbfs, -50);
      EXPECT_LT(dbfs, -25);
      EXPECT_LE(peak, int(0.2 * 32767) + 1);
    }
  }
}

TEST(BgVoice, RenderRefusesBadArgumentsAndCopesWithOddRates) {
  CModule module;
  bgvoice::IBgVoiceService* service = module.Init();
  ASSERT_NE(service, nullptr);
  int16_t buffer[64];
  EXPECT_FALSE(service->Render(0, 8000, 0, buffer, 64));
  EXPECT_FALSE(service->Render(0xFFFFFFFFu, 8000, 0, buffer, 64));  // "no background sound"
  EXPECT_FALSE(service->Render(99, 8000, 0, buffer, 64));
  EXPECT_FALSE(service->Render(bgvoice::kSoundRain, 0, 0, buffer, 64));
  EXPECT_FALSE(service->Render(bgvoice::kSoundRain, bgvoice::kMaxRate + 1, 0, buffer, 64));
  EXPECT_FALSE(service->Render(bgvoice::kSoundRain, 8000, 0, nullptr, 64));
  EXPECT_TRUE(service->Render(bgvoice::kSoundRain, 8000, 0, nullptr, 0));
  EXPECT_TRUE(service->Render(bgvoice::kSoundRain, 8000, UINT64_MAX, buffer, 64));
  // Rates far below any tone or filter corner still give a loop of the
  // right length, without failing.
  for (uint32_t rate : {1u, 7u, 300u, 44099u}) {
    SCOPED_TRACE(rate);
    for (uint32_t value : kAllSounds) {
      std::vector<int16_t> loop = Render(service, value, rate, 0, bgvoice::LoopLength(rate) + 3);
      EXPECT_TRUE(std::equal(loop.end() - 3, loop.end(), loop.begin()));
    }
  }
}

TEST(BgVoice, ConcurrentRendersAgree) {
  CModule module;
  bgvoice::IBgVoiceService* service = module.Init();
  ASSERT_NE(service, nullptr);
  const uint32_t rate = 16000;
  std::vector<int16_t> results[4];
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      results[t].resize(rate);
      // Two threads per sound, both asking for a loop that is not cached yet.
      service->Render(t % 2 ? bgvoice::kSoundWaves : bgvoice::kSoundMusic, rate, 12345,
                      results[t].data(), results[t].size());
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(results[0], results[2]);
  EXPECT_EQ(results[1], results[3]);
  EXPECT_NE(results[0], results[1]);
  EXPECT_EQ(results[0], Render(service, bgvoice::kSoundMusic, rate, 12345, rate));
}

TEST(BgVoice, VersionNote) {
  EXPECT_FALSE(GetFileVersionString(ModulePath(), "FileVersion").isEmpty());
  EXPECT_EQ(GetFileVersionString(ModulePath(), "ProductName"), "VUDEZE Background Sounds");
}
