#include "wminput/lock_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace wminput {
namespace {

struct Event {
  std::uint32_t vk;
  bool up;
  std::uint32_t at_ms;
};

// Which events of a sequence are new lock-key presses.
std::vector<bool> Presses(const std::vector<Event>& events) {
  LockKeys keys{};
  std::vector<bool> out;
  for (const Event& e : events) out.push_back(IsNewLockPress(keys, e.vk, e.up, e.at_ms));
  return out;
}

// A key held from `at` to `until`: its press, Windows's slowest repeat delay (1 s), then a
// repeat every 33 ms, and its release.
std::vector<Event> Held(std::uint32_t vk, std::uint32_t at, std::uint32_t until) {
  std::vector<Event> events{{vk, false, at}};
  for (std::uint32_t t = at + 1000; t < until; t += 33) events.push_back({vk, false, t});
  events.push_back({vk, true, until});
  return events;
}

constexpr std::uint32_t kCaps = 0x14, kNum = 0x90, kScroll = 0x91, kShift = 0x10;
constexpr bool kDown = false, kUp = true;

TEST(LockKeys, OneNoticePerPressAndAMissedKeyUpSilencesNothing) {
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::vector<bool> presses;
  };
  const Case cases[] = {
      {"press and release", {{kCaps, kDown, 100}, {kCaps, kUp, 180}}, {true, false}},
      {"each lock key", {{kNum, kDown, 0}, {kNum, kUp, 50}, {kScroll, kDown, 90}, {kScroll, kUp, 120}},
       {true, false, true, false}},
      {"other keys are not lock keys", {{kShift, kDown, 0}, {0x41, kDown, 10}, {0x41, kUp, 20}}, {false, false, false}},
      {"two keys held together",
       {{kCaps, kDown, 0}, {kNum, kDown, 20}, {kCaps, kDown, 500}, {kNum, kUp, 600}, {kNum, kDown, 700}},
       {true, true, false, false, true}},
      // The key-up went elsewhere (a secure desktop, a hook that ate it): the next press still counts.
      {"missed key-up",
       {{kCaps, kDown, 0}, {kCaps, kDown, 5000}, {kCaps, kDown, 5030}, {kCaps, kUp, 5100}, {kCaps, kDown, 9000}},
       {true, true, false, false, true}},
      {"missed key-up, press just after the silence", {{kScroll, kDown, 0}, {kScroll, kDown, 1501}}, {true, true}},
      {"repeat just inside the silence", {{kScroll, kDown, 0}, {kScroll, kDown, 1500}}, {true, false}},
      // The millisecond clock wraps after 49.7 days.
      {"repeat across the clock's wrap", {{kNum, kDown, 0xFFFFFF00u}, {kNum, kDown, 0x00000100u}}, {true, false}},
      {"missed key-up across the wrap", {{kNum, kDown, 0xFFFFFF00u}, {kNum, kDown, 0x00001000u}}, {true, true}},
      {"key-up without a press", {{kCaps, kUp, 0}, {kCaps, kDown, 10}}, {false, true}},
  };
  for (const Case& c : cases) EXPECT_EQ(Presses(c.events), c.presses) << c.name;

  // Held far longer than the silence, then pressed again: two presses.
  std::vector<Event> held = Held(kCaps, 0, 6000);
  const std::vector<Event> again = Held(kCaps, 6100, 6200);
  held.insert(held.end(), again.begin(), again.end());
  const std::vector<bool> presses = Presses(held);
  EXPECT_EQ(std::count(presses.begin(), presses.end(), true), 2);
  EXPECT_TRUE(presses.front());
  EXPECT_TRUE(presses[presses.size() - 2]);
}

}  // namespace
}  // namespace wminput
