#pragma once
// Reader threads of Windows. A reader whose loop has returned ends like any thread, unless the
// library is being unloaded: then it parks in a kernel wait that nothing ends and is ended from
// outside, since a thread that exits by itself needs the loader lock that the unload holds, and
// once parked no instruction of the library is left for it to run.
#include <windows.h>

#include <atomic>

#include "kbdlink/link_types.h"
#include "kbdlink/reader_threads.h"

namespace kbdlink::win32 {

class Win32Threads final : public ReaderThreads {
 public:
  Win32Threads();
  ~Win32Threads() override;
  Win32Threads(const Win32Threads&) = delete;
  Win32Threads& operator=(const Win32Threads&) = delete;

  // At process exit the system has ended the other threads already: nothing is left to wait for.
  void SetProcessEnding() { process_ending_ = true; }

  bool Start(int index, ReaderSlot& slot) override;
  bool Running(int index) override;
  void ReapFinished() override;
  bool AwaitReturn(int index) override;
  void Shutdown() override;

 private:
  // What a reader does once its loop has returned; whichever side changes kRunning first decides.
  enum Fate : int { kRunning, kEndsItself, kParks };
  struct Record {
    HANDLE thread = nullptr;
    HANDLE entered = nullptr;
    HANDLE parked = nullptr;
    ReaderSlot* slot = nullptr;
    std::atomic<int> exit_code{0};
    std::atomic<int> fate{kRunning};
    HANDLE never = nullptr;
  };
  static DWORD WINAPI Entry(void* record);
  static bool Signalled(HANDLE h);
  bool Finished(const Record& r) const;
  bool AwaitAll(Record* const* records, DWORD n, DWORD limit_ms, bool parked);
  void End(Record& r);
  void Release(Record& r);

  Record records_[kReaderSlots];
  HANDLE never_ = nullptr;  // never signalled: the parked readers' wait
  bool process_ending_ = false;
};

}  // namespace kbdlink::win32
