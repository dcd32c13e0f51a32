#include "kbdlink/headless/headless_threads.h"

#include "kbdlink/reader.h"

namespace kbdlink::headless {

HeadlessThreads::~HeadlessThreads() { Shutdown(); }

void HeadlessThreads::SetStartFails(bool fails) {
  std::lock_guard lock(world_.mutex);
  start_fails_ = fails;
}

std::optional<int> HeadlessThreads::ExitCode(int index) {
  std::lock_guard lock(world_.mutex);
  return records_[index].exit_code;
}

int HeadlessThreads::Starts(int index) {
  std::lock_guard lock(world_.mutex);
  return records_[index].starts;
}

int HeadlessThreads::Live() {
  std::lock_guard lock(world_.mutex);
  int n = 0;
  for (const Record& r : records_) n += r.thread.joinable() && !r.returned;
  return n;
}

void HeadlessThreads::WaitUntilReturned(int index) {
  world_.WaitUntil("the reader of slot " + std::to_string(index) + " never returned", [&] { return records_[index].returned; });
}

bool HeadlessThreads::Start(int index, ReaderSlot& slot) {
  if (index < 0 || index >= kReaderSlots) return false;
  std::thread finished;
  {
    std::lock_guard lock(world_.mutex);
    Record& r = records_[index];
    if (r.thread.joinable() && !r.returned) return false;
    if (start_fails_) return false;
    finished = std::move(r.thread);
  }
  if (finished.joinable()) finished.join();
  std::lock_guard lock(world_.mutex);
  Record& r = records_[index];
  r.returned = false;
  r.exit_code.reset();
  ++r.starts;
  r.thread = std::thread([this, index, &slot] {
    const int code = ReaderThread(slot);
    {
      std::lock_guard done(world_.mutex);
      records_[index].returned = true;
      records_[index].exit_code = code;
    }
    world_.changed.notify_all();
  });
  return true;
}

bool HeadlessThreads::Running(int index) {
  if (index < 0 || index >= kReaderSlots) return false;
  std::lock_guard lock(world_.mutex);
  return records_[index].thread.joinable() && !records_[index].returned;
}

void HeadlessThreads::JoinReturned() {
  for (Record& r : records_) {
    std::thread t;
    {
      std::lock_guard lock(world_.mutex);
      if (!r.returned || !r.thread.joinable()) continue;
      t = std::move(r.thread);
    }
    t.join();
  }
}

void HeadlessThreads::ReapFinished() { JoinReturned(); }

bool HeadlessThreads::ReturnedLocked(int index) const {
  auto returned = [](const Record& r) { return !r.thread.joinable() || r.returned; };
  if (index != kEveryReader) return index < 0 || index >= kReaderSlots || returned(records_[index]);
  for (const Record& r : records_) {
    if (!returned(r)) return false;
  }
  return true;
}

// The bound is a real-time safety net only: a stopped reader returns without virtual time
// passing, once what it sent to this thread has been answered.
bool HeadlessThreads::AwaitReturn(int index) {
  const auto deadline = std::chrono::steady_clock::now() + World::kTestDeadline;
  for (;;) {
    {
      std::unique_lock lock(world_.mutex);
      if (!world_.changed.wait_until(lock, deadline, [&] {
            return ReturnedLocked(index) || windows_.HasSendsForThisThreadLocked();
          }))
        return false;
      if (ReturnedLocked(index)) return true;
    }
    windows_.ServeSends();  // a reader may be blocked relaying to this very thread
  }
}

void HeadlessThreads::Shutdown() {
  if (!AwaitReturn(kEveryReader)) World::TimedOut("a stopped reader never returned while the readers were shut down");
  JoinReturned();
}

}  // namespace kbdlink::headless
