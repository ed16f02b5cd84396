// The service registry on registries made for each test: ring surgery,
// cache clearing, lookups, and the environment handshake applied to fresh
// registries (the process's own registry is tested in test_scom_instance).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "settings/scom.h"

using scom::i_shdll_mod;
using scom::shdll_mod;

namespace {

// The members met walking next() from start, checking on the way that every
// member's prev() points back to where the walk came from. Stops after
// `limit` steps so that a broken ring fails instead of hanging.
std::vector<i_shdll_mod*> Walk(i_shdll_mod* start, size_t limit = 16) {
  std::vector<i_shdll_mod*> members{start};
  i_shdll_mod* member = start;
  while (members.size() <= limit) {
    i_shdll_mod* next = member->next();
    EXPECT_EQ(next->prev(), member) << "prev does not point back";
    if (next == start) break;
    members.push_back(next);
    member = next;
  }
  return members;
}

void ExpectAlone(shdll_mod& r) {
  EXPECT_EQ(r.next(), &r);
  EXPECT_EQ(r.prev(), &r);
}

struct EnvScope {
  explicit EnvScope(const char* value) {
    if (value)
      setenv(scom::kEnvName, value, 1);
    else
      unsetenv(scom::kEnvName);
  }
  ~EnvScope() { unsetenv(scom::kEnvName); }
};

std::string Env() {
  const char* v = std::getenv(scom::kEnvName);
  return v ? v : "<unset>";
}

int g_service1, g_service2;

}  // namespace

TEST(Scom, ConstructionIsAloneAndUnattached) {
  shdll_mod unnamed, named("mod");
  EXPECT_STREQ(unnamed.name(), "");
  EXPECT_STREQ(named.name(), "mod");
  ExpectAlone(unnamed);
  EXPECT_FALSE(unnamed.attached());
  EXPECT_EQ(unnamed.find(nullptr, true), nullptr);
  EXPECT_EQ(unnamed.find("anything", true), nullptr);
  EXPECT_TRUE(unnamed.detach());  // nothing to leave
  ExpectAlone(unnamed);
}

TEST(Scom, SecondRegistryJoinsAndLeaves) {
  shdll_mod first, second;
  second.attach(nullptr, &first);
  EXPECT_TRUE(second.attached());
  EXPECT_EQ(Walk(&first), (std::vector<i_shdll_mod*>{&first, &second}));
  EXPECT_EQ(Walk(&second), (std::vector<i_shdll_mod*>{&second, &first}));

  EXPECT_TRUE(second.detach());
  EXPECT_FALSE(second.attached());
  ExpectAlone(first);
  ExpectAlone(second);
}

TEST(Scom, JoinerIsInsertedJustBeforeTarget) {
  shdll_mod a, b, c, d;
  b.attach(nullptr, &a);
  c.attach(nullptr, &a);  // before a, i.e. after b
  d.attach(nullptr, &b);  // before b, i.e. between a and b
  EXPECT_EQ(Walk(&a), (std::vector<i_shdll_mod*>{&a, &d, &b, &c}));

  c.detach();  // leaving from the middle keeps the rest linked
  EXPECT_EQ(Walk(&a), (std::vector<i_shdll_mod*>{&a, &d, &b}));
}

TEST(Scom, AttachingAgainLeavesTheOldRingFirst) {
  shdll_mod a, b, c, d;
  b.attach(nullptr, &a);
  d.attach(nullptr, &c);
  b.attach(nullptr, &c);
  ExpectAlone(a);
  EXPECT_EQ(Walk(&c), (std::vector<i_shdll_mod*>{&c, &d, &b}));
}

TEST(Scom, AttachingToItself) {
  // Alone: a ring of one, now attached.
  shdll_mod alone;
  alone.attach(nullptr, &alone);
  EXPECT_TRUE(alone.attached());
  ExpectAlone(alone);

  // Another registry joined before this one attached itself: attaching to
  // itself must keep that ring, not cut it (which would leave the joiner
  // pointing at a registry that no longer points back).
  shdll_mod published, joiner;
  joiner.attach(nullptr, &published);
  published.attach(nullptr, &published);
  EXPECT_TRUE(published.attached());
  EXPECT_EQ(Walk(&published), (std::vector<i_shdll_mod*>{&published, &joiner}));
  EXPECT_EQ(Walk(&joiner), (std::vector<i_shdll_mod*>{&joiner, &published}));

  // A member attaching to itself again changes nothing either.
  joiner.attach(nullptr, &joiner);
  EXPECT_EQ(Walk(&published), (std::vector<i_shdll_mod*>{&published, &joiner}));
}

TEST(Scom, RegistryThatOthersJoinedLeavesCleanly) {
  // Never attached itself, but linked by a joiner: detaching (or being
  // destroyed) must still take it out of the ring.
  shdll_mod joiner;
  {
    shdll_mod published;
    joiner.attach(nullptr, &published);
    EXPECT_FALSE(published.attached());
  }
  ExpectAlone(joiner);
}

TEST(Scom, ProviderDetachClearsUserCaches) {
  for (bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destroyed" : "detached");
    shdll_mod user;
    void* cache = nullptr;
    void* other_cache = reinterpret_cast<void*>(0x1234);
    {
      shdll_mod provider("provider");
      provider.register_service("bgvoice_init", &g_service1);
      provider.attach(nullptr, &user);
      EXPECT_EQ(scom::resolve_service(&user, "bgvoice_init", &cache, false), &g_service1);
      EXPECT_EQ(cache, &g_service1);
      EXPECT_EQ(provider.cache_count(), 1u);
      if (!destroy) {
        provider.detach();
        EXPECT_EQ(provider.cache_count(), 0u);
        ExpectAlone(provider);
      }
    }
    EXPECT_EQ(cache, nullptr);
    EXPECT_EQ(other_cache, reinterpret_cast<void*>(0x1234));
    ExpectAlone(user);
  }
}

TEST(Scom, UserDetachIsForgottenByProviders) {
  shdll_mod provider;
  provider.register_service("svc", &g_service1);
  void* cache = nullptr;
  {
    shdll_mod user;
    user.attach(nullptr, &provider);
    ASSERT_EQ(scom::resolve_service(&user, "svc", &cache, false), &g_service1);
    ASSERT_EQ(provider.cache_count(), 1u);
  }  // user destroyed: the provider must not write its cache any more
  EXPECT_EQ(provider.cache_count(), 0u);
  cache = &g_service2;
  provider.detach();
  EXPECT_EQ(cache, &g_service2);
}

TEST(Scom, RemoveCacheByUserAndAddress) {
  shdll_mod provider, user1, user2;
  void *c1 = nullptr, *c2 = nullptr, *c3 = nullptr;
  provider.add_cache(&user1, &c1);
  provider.add_cache(&user1, &c2);
  provider.add_cache(&user2, &c3);
  EXPECT_TRUE(provider.remove_cache(&user1, &c2));
  EXPECT_EQ(provider.cache_count(), 2u);
  EXPECT_TRUE(provider.remove_cache(&user2, &c1));  // not user2's: kept
  EXPECT_EQ(provider.cache_count(), 2u);
  EXPECT_TRUE(provider.remove_cache(&user1, nullptr));
  EXPECT_EQ(provider.cache_count(), 1u);
  c1 = c2 = c3 = &g_service1;
  provider.detach();
  EXPECT_EQ(c1, &g_service1);
  EXPECT_EQ(c2, &g_service1);
  EXPECT_EQ(c3, nullptr);
}

TEST(Scom, ResolveWalksTheWholeRingOnce) {
  shdll_mod start, middle, last;
  middle.attach(nullptr, &start);
  last.attach(nullptr, &start);
  middle.register_service("svc", &g_service1);
  last.register_service("svc", &g_service2);
  last.register_service("only-last", &g_service2);

  void* cache = nullptr;
  EXPECT_EQ(scom::resolve_service(&start, "svc", &cache, false), &g_service1);  // first found
  EXPECT_EQ(middle.cache_count(), 1u);
  EXPECT_EQ(last.cache_count(), 0u);
  // From `last`, its own registry answers first.
  EXPECT_EQ(scom::resolve_service(&last, "svc", nullptr, false), &g_service2);
  EXPECT_EQ(scom::resolve_service(&middle, "only-last", nullptr, false), &g_service2);

  void* untouched = &g_service1;
  EXPECT_EQ(scom::resolve_service(&start, "missing", &untouched, false), nullptr);
  EXPECT_EQ(untouched, &g_service1);
  EXPECT_EQ(scom::resolve_service(&start, nullptr, &untouched, false), nullptr);
  EXPECT_EQ(scom::resolve_service(nullptr, "svc", nullptr, false), nullptr);

  // Names compare byte-wise: no case folding, no prefix matching.
  EXPECT_EQ(scom::resolve_service(&start, "SVC", nullptr, false), nullptr);
  EXPECT_EQ(scom::resolve_service(&start, "sv", nullptr, false), nullptr);
}

TEST(Scom, FindWithoutNameGivesTheModuleHandle) {
  shdll_mod r;
  void* handle = &g_service2;  // any non-null value stands for a handle here
  r.attach(handle, &r);
  EXPECT_EQ(r.module(), handle);
  EXPECT_EQ(r.find(nullptr, false), handle);
  EXPECT_EQ(r.find(nullptr, true), handle);
  r.attach(nullptr, &r);  // a null handle keeps the stored one
  EXPECT_EQ(r.find(nullptr, false), handle);
  r.detach();
  EXPECT_EQ(r.find(nullptr, false), nullptr);
}

TEST(Scom, RegisterService) {
  shdll_mod r;
  EXPECT_FALSE(r.register_service(nullptr, &g_service1));
  EXPECT_FALSE(r.register_service("svc", nullptr));
  EXPECT_TRUE(r.register_service("svc", &g_service1));
  EXPECT_TRUE(r.register_service("svc", &g_service2));
  EXPECT_EQ(r.find("svc", false), &g_service2);
  // A name with bytes above 0x7f (code page 936) is an ordinary key.
  EXPECT_TRUE(r.register_service("\xB1\xB3\xBE\xB0", &g_service1));
  EXPECT_EQ(r.find("\xB1\xB3\xBE\xB0", false), &g_service1);
}

TEST(Scom, AddressTextFormat) {
  EXPECT_EQ(scom::format_registry_address(reinterpret_cast<void*>(0xABCDEF012ull)), "abcdef012");
  EXPECT_EQ(scom::format_registry_address(reinterpret_cast<void*>(0x10)), "10");

  struct Row {
    const char* text;
    std::uintptr_t value;
  } rows[] = {
      {"7f12ab30", 0x7f12ab30},
      {"7F12AB30", 0x7f12ab30},
      {"ffffffffffffffff", ~std::uintptr_t(0)},
      {"0", 0},
      {"", 0},
      {"0x7f12", 0},             // a prefix is not hexadecimal
      {"12zz", 0},               // trailing junk: not a partial address
      {" 12", 0},                // nor leading blanks
      {"-12", 0},                // nor a sign
      {"10000000000000000", 0},  // 17 digits do not fit
      {"hello", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(scom::parse_registry_address(row.text), row.value);
  }
  EXPECT_EQ(scom::parse_registry_address(nullptr), 0u);
}

TEST(Scom, JoinPublishesWhenTheVariableIsEmpty) {
  for (const char* initial : {static_cast<const char*>(nullptr), ""}) {
    EnvScope env(initial);
    shdll_mod r;
    scom::join_process_ring(r);
    EXPECT_EQ(Env(), scom::format_registry_address(&r));
    EXPECT_FALSE(r.attached());
    ExpectAlone(r);
  }
}

TEST(Scom, JoinAttachesToThePublishedRegistry) {
  shdll_mod published;
  std::string upper = scom::format_registry_address(&published);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& text : {scom::format_registry_address(&published), upper}) {
    EnvScope env(text.c_str());
    shdll_mod late;
    scom::join_process_ring(late);
    EXPECT_TRUE(late.attached());
    EXPECT_EQ(Walk(&published), (std::vector<i_shdll_mod*>{&published, &late}));
    scom::join_process_ring(late);  // attached already: nothing changes
    EXPECT_EQ(Walk(&published), (std::vector<i_shdll_mod*>{&published, &late}));
    EXPECT_EQ(Env(), text);
  }
  ExpectAlone(published);
}

TEST(Scom, JoinIgnoresAValueThatIsNotHexadecimal) {
  for (const char* value : {"not-an-address", "0x1000", "0", "12zz", "1234567890abcdef0"}) {
    SCOPED_TRACE(value);
    EnvScope env(value);
    shdll_mod r;
    scom::join_process_ring(r);
    EXPECT_FALSE(r.attached());
    ExpectAlone(r);
    EXPECT_EQ(Env(), value);  // not overwritten either
  }
}

// A child process inherits the variable with its parent's address, which
// means nothing there; the companion process number gives it away.
TEST(Scom, JoinIgnoresAnAddressPublishedByAnotherProcess) {
  shdll_mod parents;  // a real registry, so that following the address would "work"
  EnvScope env(scom::format_registry_address(&parents).c_str());
  const std::string otherProcess = std::to_string(scom::current_process_id() + 1);
  setenv(scom::kEnvPidName, otherProcess.c_str(), 1);
  shdll_mod child;
  scom::join_process_ring(child);
  EXPECT_FALSE(child.attached());
  ExpectAlone(parents);
  EXPECT_EQ(Env(), scom::format_registry_address(&child));
  EXPECT_EQ(std::string(std::getenv(scom::kEnvPidName)),
            std::to_string(scom::current_process_id()));
  // Published by this process: followed as before.
  shdll_mod late;
  scom::join_process_ring(late);
  scom::join_process_ring(child);  // the second call attaches to itself
  EXPECT_TRUE(late.attached());
  EXPECT_EQ(Walk(&child).size(), 2u);
  late.detach();
  child.detach();
  unsetenv(scom::kEnvPidName);
}

TEST(Scom, PublishedAddressIsHandedOnWhenItsRegistryGoes) {
  EnvScope env(nullptr);
  auto first = std::make_unique<shdll_mod>();
  scom::join_process_ring(*first);  // publishes
  shdll_mod second;
  scom::join_process_ring(second);  // joins first
  ASSERT_EQ(Walk(&second).size(), 2u);
  first.reset();
  // A registry joining now must meet the survivor, not freed memory.
  EXPECT_EQ(Env(), scom::format_registry_address(&second));
  shdll_mod third;
  scom::join_process_ring(third);
  EXPECT_EQ(Walk(&second), (std::vector<i_shdll_mod*>{&second, &third}));
  third.detach();
  {
    // The last registry of the ring takes the variable with it.
    shdll_mod alone;
    setenv(scom::kEnvName, scom::format_registry_address(&alone).c_str(), 1);
  }
  EXPECT_EQ(Env(), "<unset>");
  // A registry that was not the published one leaves the variable alone.
  setenv(scom::kEnvName, "1234", 1);
  { shdll_mod other; }
  EXPECT_EQ(Env(), "1234");
}
