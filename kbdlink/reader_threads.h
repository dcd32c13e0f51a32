#pragma once
// Starting and ending reader threads. The thread body is the portable ReaderThread; a backend
// decides how a thread leaves, so that no reader can be inside the library's code when the
// library goes away.
namespace kbdlink {

struct ReaderSlot;

class ReaderThreads {
 public:
  virtual ~ReaderThreads() = default;

  // Starts ReaderThread(slot) on a new thread for slot `index`; false when none was made.
  virtual bool Start(int index, ReaderSlot& slot) = 0;
  // True from Start until the reader's loop has returned.
  virtual bool Running(int index) = 0;
  // Releases the threads whose loop has returned.
  virtual void ReapFinished() = 0;
  // Waits, bounded, until the reader of slot `index` (every reader, for kEveryReader) has
  // returned, answering messages sent to this thread meanwhile: a stopped reader may be blocked
  // relaying to it. Call it only for stopped readers. True when none of them is left running.
  static constexpr int kEveryReader = -1;
  virtual bool AwaitReturn(int index) = 0;
  // Waits, bounded, for every reader whose stop flag is set to return, answering messages sent
  // to this thread meanwhile (a reader may be blocked relaying to it), then releases them all.
  virtual void Shutdown() = 0;
};

}  // namespace kbdlink
