// The process's own registry. It is a process-wide static, so the whole
// sequence runs in one test of its own executable, starting with the
// variable unset (the test main removes it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "settings/scom.h"

TEST(ScomInstance, PublishesThenAttachesToItselfThenAcceptsLateModules) {
  ASSERT_EQ(std::getenv(scom::kEnvName), nullptr);

  scom::shdll_mod* instance = scom::shdll_mod_instance();
  ASSERT_NE(instance, nullptr);
  const char* published = std::getenv(scom::kEnvName);
  ASSERT_NE(published, nullptr);
  EXPECT_EQ(std::string(published), scom::format_registry_address(instance));
  EXPECT_EQ(std::string(published).find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(published[0], '0');
  EXPECT_FALSE(instance->attached());

  EXPECT_EQ(scom::shdll_mod_instance(), instance);
  EXPECT_TRUE(instance->attached());
  EXPECT_EQ(instance->next(), instance);
  EXPECT_EQ(instance->prev(), instance);
  EXPECT_EQ(instance->module(), nullptr);

  // A module starting later finds the published address and joins.
  {
    scom::shdll_mod late("late");
    scom::join_process_ring(late);
    EXPECT_EQ(instance->next(), &late);
    EXPECT_EQ(instance->prev(), &late);
    EXPECT_EQ(scom::shdll_mod_instance(), instance);  // still the same ring
    EXPECT_EQ(instance->next(), &late);
  }
  EXPECT_EQ(instance->next(), instance);
  EXPECT_EQ(std::string(std::getenv(scom::kEnvName)), scom::format_registry_address(instance));
}
