#include "kbdlink/win32/win32_threads.h"

#include "kbdlink/reader.h"

namespace kbdlink::win32 {
namespace {

// Readers stop within 100 ms of their flag; this leaves room for a slow relay.
constexpr DWORD kShutdownLimitMs = 2000;
constexpr DWORD kAwaitLimitMs = 1000;
constexpr DWORD kTerminateLimitMs = 1000;

}  // namespace

Win32Threads::Win32Threads() : never_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

Win32Threads::~Win32Threads() {
  Shutdown();
  if (never_ != nullptr) CloseHandle(never_);
}

DWORD WINAPI Win32Threads::Entry(void* p) {
  auto* r = static_cast<Record*>(p);
  SetEvent(r->entered);
  const int code = ReaderThread(*r->slot);
  r->exit_code.store(code, std::memory_order_relaxed);
  int running = kRunning;
  if (r->fate.compare_exchange_strong(running, kEndsItself)) return static_cast<DWORD>(code);
  // The unload claimed this reader. Signalling and waiting in one call: once `parked` is seen,
  // this thread is inside the kernel for good; the wait is not alertable, so a late read
  // completion can never bring it back.
  for (;;) SignalObjectAndWait(r->parked, r->never, INFINITE, FALSE);
}

bool Win32Threads::Signalled(HANDLE h) { return h != nullptr && WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }

bool Win32Threads::Finished(const Record& r) const { return Signalled(r.thread) || Signalled(r.parked); }

void Win32Threads::Release(Record& r) {
  for (HANDLE* h : {&r.thread, &r.entered, &r.parked}) {
    if (*h != nullptr) CloseHandle(*h);
    *h = nullptr;
  }
  r.slot = nullptr;
}

void Win32Threads::End(Record& r) {
  // Only the unload ends readers from outside: a parked one holds no lock and has nothing left
  // to run; one that was ending by itself waits for the loader lock the unload holds; one that
  // did not stop in time must not outlive the code it runs.
  if (!Signalled(r.thread)) {
    const DWORD code = Signalled(r.parked) ? static_cast<DWORD>(r.exit_code.load(std::memory_order_relaxed)) : 2;
    TerminateThread(r.thread, code);
    WaitForSingleObject(r.thread, kTerminateLimitMs);
  }
  Release(r);
}

bool Win32Threads::Start(int index, ReaderSlot& slot) {
  if (index < 0 || index >= kReaderSlots || never_ == nullptr) return false;
  Record& r = records_[index];
  if (r.thread != nullptr) {
    if (!Signalled(r.thread)) return false;
    Release(r);
  }
  r.slot = &slot;
  r.never = never_;
  r.fate.store(kRunning);
  r.entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  r.parked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (r.entered != nullptr && r.parked != nullptr) r.thread = CreateThread(nullptr, 0, &Entry, &r, 0, nullptr);
  if (r.thread == nullptr) {
    Release(r);
    return false;
  }
  // A thread still in its attach notifications would run library code only after an unload
  // that cannot see it; once it has entered, Shutdown waits for it.
  HANDLE both[] = {r.entered, r.thread};
  WaitForMultipleObjects(2, both, FALSE, INFINITE);
  return true;
}

bool Win32Threads::Running(int index) {
  if (index < 0 || index >= kReaderSlots) return false;
  const Record& r = records_[index];
  return r.thread != nullptr && !Finished(r);
}

void Win32Threads::ReapFinished() {
  for (Record& r : records_) {
    if (r.thread != nullptr && Signalled(r.thread)) Release(r);
  }
}

// Waits until every record given has ended (or parked), answering messages sent to this thread
// meanwhile: a reader may be blocked relaying to it.
bool Win32Threads::AwaitAll(Record* const* records, DWORD n, DWORD limit_ms, bool parked) {
  const ULONGLONG deadline = GetTickCount64() + limit_ms;
  for (;;) {
    HANDLE waits[kReaderSlots];
    DWORD left = 0;
    for (DWORD i = 0; i < n; ++i) {
      if (records[i]->thread != nullptr && !Finished(*records[i]))
        waits[left++] = parked ? records[i]->parked : records[i]->thread;
    }
    const ULONGLONG now = GetTickCount64();
    if (left == 0) return true;
    if (now >= deadline) return false;
    const DWORD got = MsgWaitForMultipleObjects(left, waits, FALSE, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE);
    if (got == WAIT_OBJECT_0 + left) {
      MSG m;
      PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
}

bool Win32Threads::AwaitReturn(int index) {
  Record* records[kReaderSlots];
  DWORD n = 0;
  for (int i = 0; i < kReaderSlots; ++i) {
    if (index == kEveryReader || index == i) records[n++] = &records_[i];
  }
  const bool all = AwaitAll(records, n, kAwaitLimitMs, false);
  ReapFinished();
  return all;
}

void Win32Threads::Shutdown() {
  if (process_ending_) {
    for (Record& r : records_) Release(r);
    return;
  }
  // From here on no reader ends by itself: that would need the loader lock.
  Record* claimed[kReaderSlots];
  DWORD n = 0;
  for (Record& r : records_) {
    int running = kRunning;
    if (r.thread != nullptr && r.fate.compare_exchange_strong(running, kParks)) claimed[n++] = &r;
  }
  AwaitAll(claimed, n, kShutdownLimitMs, true);
  for (Record& r : records_) {
    if (r.thread != nullptr) End(r);
  }
}

}  // namespace kbdlink::win32
