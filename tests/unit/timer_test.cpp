#include "toolkit/timer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"

namespace tk {
namespace {

class TimerForm final : public Form {
 public:
  explicit TimerForm(Application& app) : Form(app, "TimerForm") {}
  Timer timer{*this, 100, false, [this] { ticks.push_back(Platform().Now()); }};
  std::vector<std::uint64_t> ticks;

  // Keeps the backend's Now() reachable from the tick handler.
  HeadlessBackend& Platform() const { return static_cast<HeadlessBackend&>(Form::Platform()); }

 protected:
  WindowDesign Design() const override { return {}; }
};

// One step of a timer script: an operation at a moment of the virtual clock.
struct Step {
  std::uint64_t at;
  enum { kStart, kStop, kInterval } op;
  std::uint32_t value = 0;
};

struct TimerCase {
  const char* name;
  std::uint32_t interval;
  std::vector<Step> steps;
  std::uint64_t until;
  std::vector<std::uint64_t> ticks;
};

TEST(Timer, FollowsTheTimerRules) {
  const TimerCase cases[] = {
      {"ticks every interval once started", 100, {{0, Step::kStart}}, 350, {100, 200, 300}},
      {"starting a running timer changes nothing", 100, {{0, Step::kStart}, {50, Step::kStart}}, 250, {100, 200}},
      {"setting the same interval changes nothing", 100,
       {{0, Step::kStart}, {60, Step::kInterval, 100}}, 250, {100, 200}},
      {"changing a running timer's interval counts from zero", 100,
       {{0, Step::kStart}, {60, Step::kInterval, 30}}, 130, {90, 120}},
      {"stop then start counts from zero", 100,
       {{0, Step::kStart}, {70, Step::kStop}, {70, Step::kStart}}, 200, {170}},
      {"stopping a stopped timer changes nothing", 100, {{10, Step::kStop}}, 500, {}},
      {"interval 0 never ticks", 100, {{0, Step::kInterval, 0}, {0, Step::kStart}}, 1000, {}},
      {"setting 0 on a running timer stops its ticks", 100,
       {{0, Step::kStart}, {150, Step::kInterval, 0}}, 1000, {100}},
      {"an interval set while stopped applies at the start", 100,
       {{0, Step::kInterval, 40}, {10, Step::kStart}}, 100, {50, 90}},
      {"a stopped timer keeps its interval and resumes with it", 100,
       {{0, Step::kStart}, {150, Step::kStop}, {400, Step::kStart}}, 550, {100, 500}},
  };
  for (const auto& c : cases) {
    HeadlessBackend ui;
    Application app(ui);
    app.Initialize();
    auto& form = app.CreateForm<TimerForm>();
    form.timer.SetInterval(c.interval);
    for (const Step& s : c.steps) {
      ui.Advance(s.at - ui.Now());
      switch (s.op) {
        case Step::kStart: form.timer.Start(); break;
        case Step::kStop: form.timer.Stop(); break;
        case Step::kInterval: form.timer.SetInterval(s.value); break;
      }
    }
    ui.Advance(c.until - ui.Now());
    EXPECT_EQ(form.ticks, c.ticks) << c.name;
  }
}

TEST(Timer, HandlerThatRestartsItselfActsAsOneShot) {
  HeadlessBackend ui;
  Application app(ui);
  app.Initialize();
  auto& form = app.CreateForm<TimerForm>();
  std::vector<std::uint64_t> ticks;
  std::uint32_t next = 6;
  Timer one_shot(form, 6, true, [&] {
    ticks.push_back(ui.Now());
    one_shot.Stop();
    if (next < 20) {
      next += 7;
      one_shot.SetInterval(next);
      one_shot.Start();
    }
  });
  ui.Advance(100);
  EXPECT_EQ(ticks, (std::vector<std::uint64_t>{6, 19, 39}));
}

// A fault that makes a handler post to itself forever fails the wait instead of hanging it.
class EchoForm final : public Form {
 public:
  explicit EchoForm(Application& app) : Form(app, "EchoForm") {}

 protected:
  WindowDesign Design() const override { return {}; }
  bool HandleMessage(const Message& m, std::intptr_t&) override {
    if (m.msg == 0x400) Platform().Post(Handle(), m);
    return true;
  }
};

TEST(VirtualClock, AWaitOnMessagesThatNeverRunOutFailsWithAMessage) {
  HeadlessBackend ui;
  Application app(ui);
  app.Initialize();
  auto& form = app.CreateForm<EchoForm>();
  ui.Post(form.Handle(), Message{0x400, 0, 0});
  try {
    ui.Advance(10);
    FAIL() << "the wait ended although the messages never ran out";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("keeps posting"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace tk
