// The user's default language from the locale variables, in the C library's
// order of precedence.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Language.h"

namespace {

// Sets the three variables for one test and restores them afterwards.
class LanguageEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      const char* v = std::getenv(kNames[i]);
      m_saved[i] = v ? std::optional<std::string>(v) : std::nullopt;
    }
  }
  void TearDown() override {
    for (int i = 0; i < 3; ++i) Set(kNames[i], m_saved[i] ? m_saved[i]->c_str() : nullptr);
  }
  static void Set(const char* name, const char* value) {
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::optional<std::string> m_saved[3];
};

TEST_F(LanguageEnv, Mapping) {
  const struct {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    uint16_t expected;
  } rows[] = {
      {nullptr, nullptr, "zh_CN.UTF-8", 0x0804},
      {nullptr, nullptr, "zh_TW.Big5", 0x0404},
      {nullptr, nullptr, "zh_HK.UTF-8", 0x0404},
      {nullptr, nullptr, "zh_SG", 0x0804},
      {nullptr, nullptr, "zh", 0x0804},
      {nullptr, nullptr, "en_US.UTF-8", 0x0409},
      {nullptr, nullptr, "de_DE@euro", 0x0409},
      {nullptr, nullptr, "C", 0x0409},
      {nullptr, nullptr, nullptr, 0x0409},
      {nullptr, nullptr, "", 0x0409},
      // LC_MESSAGES before LANG, LC_ALL before both; empty ones do not count.
      {nullptr, "zh_TW.UTF-8", "zh_CN.UTF-8", 0x0404},
      {"en_GB.UTF-8", "zh_TW.UTF-8", "zh_CN.UTF-8", 0x0409},
      {"", "", "zh_TW", 0x0404},
      {"zh_CN.GB2312", "en_US", "en_US", 0x0804},
  };
  for (const auto& row : rows) {
    Set("LC_ALL", row.lcAll);
    Set("LC_MESSAGES", row.lcMessages);
    Set("LANG", row.lang);
    EXPECT_EQ(GetUserDefaultLangID(), row.expected)
        << (row.lcAll ? row.lcAll : "-") << " " << (row.lcMessages ? row.lcMessages : "-") << " "
        << (row.lang ? row.lang : "-");
  }
}

}  // namespace
