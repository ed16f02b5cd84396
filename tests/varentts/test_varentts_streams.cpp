// The synthesiser keeps one espeak-ng process per text being spoken: texts
// spoken at once on several instances, fetched in turns, must not share one
// (their chunks would then continue each other's state), a text abandoned
// half-way must leave nothing for the next, and many instances at once are
// all served with the same bytes as alone.
#include <gtest/gtest.h>

#include <utility>

#include "tests/varentts/VarenttsHarness.h"

namespace {

const std::string kFirst =
    "The quick brown fox jumps over the lazy dog. Is it here? Yes! Then it ran home, "
    "past the old mill and over the bridge. Nobody saw it again.";
const std::string kSecond = "Pack my box with five dozen jugs. Then carry it home. It is heavy.";

class Streams : public VarenTtsSuite {
 protected:
  static void* Connect() {
    TTSConnectBlock block{};
    block.version = TTS_CONNECT_VERSION;
    std::strcpy(block.engineName, "espeak-ng");
    return s_engine->TTSConnect(&block);
  }

  static std::vector<uint8_t> Alone(void* instance, const std::string& text) {
    std::vector<VtPiece> pieces;
    EXPECT_EQ(s_engine->Speak(instance, text, &pieces), 0u);
    std::vector<uint8_t> bytes;
    for (const VtPiece& p : pieces) bytes.insert(bytes.end(), p.audio.begin(), p.audio.end());
    return bytes;
  }

  // One text in progress on an instance, fetched a piece at a time.
  struct Speaking {
    Speaking(void* i, std::string t) : instance(i), text(std::move(t)) {}
    void* instance;
    std::string text;
    TTSSynthDesc desc{};
    std::vector<uint8_t> bytes;
    bool done = false;
  };

  static void Begin(Speaking* s) {
    s->desc.textSize = static_cast<uint32_t>(s->text.size());
    s->desc.textAddress = reinterpret_cast<uintptr_t>(s->text.data());
    ASSERT_EQ(s_engine->TTSSynthText(s->instance, &s->desc), 0u);
  }

  static void Step(Speaking* s) {
    if (s->done) return;
    ASSERT_EQ(s_engine->TTSFetchNext(s->instance, &s->desc), 0u);
    const auto* audio =
        reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(s->desc.audioAddress));
    s->bytes.insert(s->bytes.end(), audio, audio + s->desc.audioLength);
    s->done = (s->desc.status & TTS_STATUS_MORE) == 0;
  }
};

TEST_F(Streams, TextsFetchedInTurnsOnSeveralInstancesSoundAsAlone) {
  const std::vector<uint8_t> first = Alone(s_instance, kFirst);
  const std::vector<uint8_t> second = Alone(s_instance, kSecond);
  ASSERT_GT(first.size(), 16000u);
  ASSERT_GT(second.size(), 16000u);

  // Two instances per text, every one in the middle of its text while the
  // others fetch.
  std::vector<Speaking> all;
  for (int i = 0; i < 4; ++i) {
    void* instance = i == 0 ? s_instance : Connect();
    ASSERT_NE(instance, nullptr);
    all.emplace_back(instance, i % 2 == 0 ? kFirst : kSecond);
  }
  for (Speaking& s : all) Begin(&s);
  for (bool more = true; more;) {
    more = false;
    for (Speaking& s : all) {
      Step(&s);
      more = more || !s.done;
    }
    if (HasFatalFailure()) return;
  }
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].bytes, i % 2 == 0 ? first : second) << "instance " << i;
    EXPECT_EQ(s_engine->TTSClean(all[i].instance), 0u);
    if (all[i].instance != s_instance) {
      EXPECT_EQ(s_engine->TTSDisconnect(all[i].instance), 0u);
    }
  }
}

TEST_F(Streams, TextAbandonedHalfWayLeavesNothingForTheNext) {
  const std::vector<uint8_t> first = Alone(s_instance, kFirst);
  // Stopped after one piece by Clean, by a new text, and by disconnecting.
  for (int how = 0; how < 3; ++how) {
    void* instance = how == 2 ? Connect() : s_instance;
    ASSERT_NE(instance, nullptr);
    Speaking s{instance, kSecond};
    Begin(&s);
    Step(&s);
    Step(&s);
    if (how == 0) {
      EXPECT_EQ(s_engine->TTSClean(instance), 0u);
    } else if (how == 2) {
      EXPECT_EQ(s_engine->TTSDisconnect(instance), 0u);
    }
    EXPECT_EQ(Alone(s_instance, kFirst), first) << "stopped by " << how;
  }
}

TEST_F(Streams, ManyInstancesAtOnceAreAllServed) {
  const std::vector<uint8_t> second = Alone(s_instance, kSecond);
  // More texts in progress than the synthesiser keeps processes for: each
  // still starts its own, the ones used last keep theirs, and the oldest
  // fail cleanly at worst.
  std::vector<Speaking> all;
  for (int i = 0; i < 40; ++i) {
    void* instance = Connect();
    ASSERT_NE(instance, nullptr);
    all.emplace_back(instance, kSecond);
  }
  for (Speaking& s : all) {
    Begin(&s);
    Step(&s);
  }
  // The most recent ones kept their processes and finish unchanged.
  for (size_t i = all.size() - 8; i < all.size(); ++i) {
    while (!all[i].done && !HasFatalFailure()) Step(&all[i]);
    EXPECT_EQ(all[i].bytes, second) << "instance " << i;
  }
  for (Speaking& s : all) EXPECT_EQ(s_engine->TTSDisconnect(s.instance), 0u);
  EXPECT_EQ(Alone(s_instance, kSecond), second);
}

}  // namespace
