#pragma once
// Reader threads of Windows. A reader whose loop has returned parks in a kernel wait that
// nothing ends, and is then ended from outside; once it has parked no instruction of the library
// is left for it to run, so unloading can end it without waiting for the loader lock.
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
  void Shutdown() override;

 private:
  struct Record {
    HANDLE thread = nullptr;
    HANDLE entered = nullptr;
    HANDLE parked = nullptr;
    ReaderSlot* slot = nullptr;
    std::atomic<int> exit_code{0};
    HANDLE never = nullptr;
  };
  static DWORD WINAPI Entry(void* record);
  bool Parked(const Record& r) const;
  void End(Record& r);
  void Release(Record& r);

  Record records_[kReaderSlots];
  HANDLE never_ = nullptr;  // never signalled: the parked readers' wait
  bool process_ending_ = false;
};

}  // namespace kbdlink::win32
