#pragma once
// A scripted set of HID interfaces: paths, attributes, capabilities, feature replies, input
// streams and injected failures. A read completes when a report is pushed: its buffer is written
// then, from the pushing thread, while the reader learns of the completion only inside its
// wait, as with an alertable wait on Windows.
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "kbdlink/device_access.h"
#include "kbdlink/headless/world.h"

namespace kbdlink::headless {

struct SimInterface {
  std::string path;
  HidAttributes attributes;
  HidCaps caps;
  std::map<std::uint8_t, std::vector<std::uint8_t>> feature_replies;  // by report id
  bool lookup_fails = false;     // the set cannot give the interface at its index
  bool detail_fails = false;     // its path cannot be fetched
  bool open_fails = false;
  bool preparsed_fails = false;
  bool attributes_fail = false;
  bool caps_fail = false;
  bool endless_input = false;    // every read completes at once with a fresh report
};

struct SimOpen {
  int device;
  OpenMode mode;
};

class SimDevices final : public DeviceAccess {
 public:
  explicit SimDevices(World& world) : world_(world) {}

  // Script. Devices are enumerated in the order they were added, while plugged in.
  int Add(SimInterface device);
  void SetInterfaceSetMissing(bool missing);
  void PushInput(int device, std::vector<std::uint8_t> report);
  void Unplug(int device);
  void SetOpenFails(int device, bool fails);
  void SetCapsFail(int device, bool fails);

  // Inspection.
  int DeviceCount();
  SimInterface Script(int device);
  int OpenHandles(int device);
  int OpenInterfaceSets();
  int OutstandingPreparsedData();
  int BadPreparsedFrees();
  int StaleHandleUses();  // calls made with a handle that was not open
  std::vector<SimOpen> Opens();
  std::vector<std::vector<std::uint8_t>> FeatureWrites(int device);
  int FeatureReads(int device);
  int Pauses();
  std::uint64_t PausedMs();
  int QueuedReads(int device);  // reads queued so far, completed or not
  int WaitingReaders();
  // Blocks until `n` readers sit in their wait with their read still outstanding.
  void WaitUntilWaiting(int n);
  // Blocks until readers have entered their wait `n` times in all, counted from the start.
  void WaitUntilWaitsEntered(std::uint64_t n);
  std::uint64_t WaitsEntered();
  // Blocks until a read of `device` is queued and not yet completed.
  void WaitUntilReadOutstanding(int device);

  void HidInterfaceClass(std::uint8_t guid[16]) override;
  bool OpenInterfaceSet(InterfaceSet& set) override;
  void CloseInterfaceSet(InterfaceSet set) override;
  InterfaceLookup FindInterface(InterfaceSet set, std::uint32_t index) override;
  bool InterfacePath(InterfaceSet set, std::string& path) override;
  DeviceHandle Open(const char* path, OpenMode mode) override;
  void Close(DeviceHandle h) override;
  DeviceHandle Duplicate(DeviceHandle h) override;
  bool GetPreparsedData(DeviceHandle h, PreparsedData& data) override;
  void FreePreparsedData(PreparsedData data) override;
  bool GetAttributes(DeviceHandle h, HidAttributes& attributes) override;
  bool GetCaps(PreparsedData data, HidCaps& caps) override;
  bool GetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) override;
  bool SetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) override;
  void Pause(std::uint32_t ms) override;
  bool QueueRead(DeviceHandle h, PendingRead& read) override;
  ReadWait WaitForRead(PendingRead& read, std::uint32_t ms) override;
  void CancelRead(DeviceHandle h, PendingRead& read) override;
  void CancelReads(DeviceHandle h) override;

 private:
  struct Device {
    SimInterface script;
    bool plugged = true;
    std::deque<std::vector<std::uint8_t>> input;
    std::vector<std::vector<std::uint8_t>> feature_writes;
    int feature_reads = 0;
    int queued_reads = 0;
    std::uint32_t endless_counter = 0;
  };
  struct Handle {
    int device;
    int file;  // duplicates share the file, as handles share a file object
  };
  struct Read {
    int device;
    int file;
    bool completed = false;
  };

  // All below run with world_.mutex held.
  Handle* Find(DeviceHandle h);
  void CompleteReadsOf(int file_or_minus1, int device_or_minus1);
  static void Complete(PendingRead& into, Read& read, const std::vector<std::uint8_t>& report);
  bool ReadOutstandingLocked(int device) const;
  DeviceHandle NewHandle(const Handle& h);

  World& world_;
  std::vector<Device> devices_;
  bool set_missing_ = false;
  int open_sets_ = 0;
  std::vector<int> set_view_;  // present devices when the set was opened
  int last_found_ = -1;
  std::map<DeviceHandle, Handle> handles_;
  int next_file_ = 1;
  std::map<int, int> file_handles_;           // file -> handles open on it
  std::set<DeviceHandle> free_handles_;       // closed values, handed out lowest first
  DeviceHandle next_handle_ = 4;
  std::map<std::string, int> by_path_;        // lower-case path -> device
  std::map<PreparsedData, int> preparsed_;  // data -> device
  PreparsedData next_preparsed_ = 0x1000;
  int bad_frees_ = 0;
  int stale_uses_ = 0;
  std::vector<SimOpen> opens_;
  std::map<PendingRead*, Read> reads_;
  std::vector<PendingRead*> waiting_reads_;
  std::uint64_t waits_entered_ = 0;
  int IdleWaiters() const;
  int pauses_ = 0;
  std::uint64_t paused_ms_ = 0;
};

}  // namespace kbdlink::headless
