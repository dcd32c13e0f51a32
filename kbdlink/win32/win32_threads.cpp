#include "kbdlink/win32/win32_threads.h"

#include "kbdlink/reader.h"

namespace kbdlink::win32 {
namespace {

// Readers stop within 100 ms of their flag; this leaves room for a slow relay.
constexpr DWORD kShutdownLimitMs = 2000;
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
  r->exit_code.store(ReaderThread(*r->slot), std::memory_order_relaxed);
  // Signalling and waiting in one call: once `parked` is seen, this thread is inside the kernel
  // for good. The wait is not alertable, so a late read completion can never bring it back.
  for (;;) SignalObjectAndWait(r->parked, r->never, INFINITE, FALSE);
}

bool Win32Threads::Parked(const Record& r) const {
  return r.parked != nullptr && WaitForSingleObject(r.parked, 0) == WAIT_OBJECT_0;
}

void Win32Threads::Release(Record& r) {
  for (HANDLE* h : {&r.thread, &r.entered, &r.parked}) {
    if (*h != nullptr) CloseHandle(*h);
    *h = nullptr;
  }
  r.slot = nullptr;
}

void Win32Threads::End(Record& r) {
  // A parked reader holds no lock and has nothing left to run, so ending it from outside is
  // safe, and it needs no loader lock, unlike a thread that exits by itself. A reader that did
  // not stop in time is ended too: it must not outlive the code it runs.
  const DWORD code = Parked(r) ? static_cast<DWORD>(r.exit_code.load(std::memory_order_relaxed)) : 2;
  TerminateThread(r.thread, code);
  WaitForSingleObject(r.thread, kTerminateLimitMs);
  Release(r);
}

bool Win32Threads::Start(int index, ReaderSlot& slot) {
  if (index < 0 || index >= kReaderSlots || never_ == nullptr) return false;
  Record& r = records_[index];
  if (r.thread != nullptr) {
    if (!Parked(r)) return false;
    End(r);
  }
  r.slot = &slot;
  r.never = never_;
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
  return r.thread != nullptr && !Parked(r);
}

void Win32Threads::ReapFinished() {
  for (Record& r : records_) {
    if (r.thread != nullptr && Parked(r)) End(r);
  }
}

void Win32Threads::Shutdown() {
  if (process_ending_) {
    for (Record& r : records_) Release(r);
    return;
  }
  const ULONGLONG deadline = GetTickCount64() + kShutdownLimitMs;
  for (;;) {
    HANDLE waits[kReaderSlots];
    DWORD n = 0;
    for (Record& r : records_) {
      if (r.thread != nullptr && !Parked(r)) waits[n++] = r.parked;
    }
    const ULONGLONG now = GetTickCount64();
    if (n == 0 || now >= deadline) break;
    // A reader may be blocked relaying to this very thread: answer what is sent meanwhile.
    const DWORD got = MsgWaitForMultipleObjects(n, waits, FALSE, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE);
    if (got == WAIT_OBJECT_0 + n) {
      MSG m;
      PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
  for (Record& r : records_) {
    if (r.thread != nullptr) End(r);
  }
}

}  // namespace kbdlink::win32
