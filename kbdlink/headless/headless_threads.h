#pragma once
// Reader threads as std::thread, joined once their loop has returned.
#include <optional>
#include <thread>

#include "kbdlink/headless/headless_windows.h"
#include "kbdlink/headless/world.h"
#include "kbdlink/link_types.h"
#include "kbdlink/reader_threads.h"

namespace kbdlink::headless {

class HeadlessThreads final : public ReaderThreads {
 public:
  HeadlessThreads(World& world, HeadlessWindows& windows) : world_(world), windows_(windows) {}
  ~HeadlessThreads() override;

  void SetStartFails(bool fails);
  std::optional<int> ExitCode(int index);  // of the slot's last reader, once it has returned
  int Starts(int index);
  int Live();  // started and not yet returned
  void WaitUntilReturned(int index);

  bool Start(int index, ReaderSlot& slot) override;
  bool Running(int index) override;
  void ReapFinished() override;
  bool AwaitReturn(int index) override;
  void Shutdown() override;

 private:
  struct Record {
    std::thread thread;
    bool returned = false;
    std::optional<int> exit_code;
    int starts = 0;
  };
  void JoinReturned();
  bool ReturnedLocked(int index) const;  // kEveryReader: all of them

  World& world_;
  HeadlessWindows& windows_;
  Record records_[kReaderSlots];
  bool start_fails_ = false;
};

}  // namespace kbdlink::headless
