#include "kbdlink/headless/sim_devices.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace kbdlink::headless {
namespace {

// The HID interface class, {4D1E55B2-F16F-11CF-88CB-001111000030}, in memory order.
constexpr std::uint8_t kHidClass[16] = {0xB2, 0x55, 0x1E, 0x4D, 0x6F, 0xF1, 0xCF, 0x11,
                                        0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

int SimDevices::Add(SimInterface device) {
  std::lock_guard lock(world_.mutex);
  Device d;
  d.script = std::move(device);
  by_path_.emplace(Lower(d.script.path), static_cast<int>(devices_.size()));
  devices_.push_back(std::move(d));
  return static_cast<int>(devices_.size()) - 1;
}

void SimDevices::SetInterfaceSetMissing(bool missing) {
  std::lock_guard lock(world_.mutex);
  set_missing_ = missing;
}

void SimDevices::PushInput(int device, std::vector<std::uint8_t> report) {
  {
    std::lock_guard lock(world_.mutex);
    Device& d = devices_.at(device);
    for (auto& [key, read] : reads_) {
      if (read.device == device && !read.completed) {
        Complete(*key, read, report);
        world_.changed.notify_all();
        return;
      }
    }
    d.input.push_back(std::move(report));
  }
  world_.changed.notify_all();
}

void SimDevices::Unplug(int device) {
  {
    std::lock_guard lock(world_.mutex);
    devices_.at(device).plugged = false;
    CompleteReadsOf(-1, device);  // outstanding reads end with an error and no data
  }
  world_.changed.notify_all();
}

void SimDevices::SetOpenFails(int device, bool fails) {
  std::lock_guard lock(world_.mutex);
  devices_.at(device).script.open_fails = fails;
}

void SimDevices::SetCapsFail(int device, bool fails) {
  std::lock_guard lock(world_.mutex);
  devices_.at(device).script.caps_fail = fails;
}

DeviceHandle SimDevices::NewHandle(const Handle& h) {
  // Like the system, hand out the lowest free value, so a closed handle's value comes back.
  DeviceHandle value = next_handle_;
  if (!free_handles_.empty()) {
    value = *free_handles_.begin();
    free_handles_.erase(free_handles_.begin());
  } else {
    next_handle_ += 4;
  }
  handles_[value] = h;
  ++file_handles_[h.file];
  return value;
}

int SimDevices::OpenHandles(int device) {
  std::lock_guard lock(world_.mutex);
  return static_cast<int>(std::count_if(handles_.begin(), handles_.end(),
                                        [device](const auto& h) { return h.second.device == device; }));
}

int SimDevices::DeviceCount() {
  std::lock_guard lock(world_.mutex);
  return static_cast<int>(devices_.size());
}

SimInterface SimDevices::Script(int device) {
  std::lock_guard lock(world_.mutex);
  return devices_.at(device).script;
}

int SimDevices::OpenInterfaceSets() {
  std::lock_guard lock(world_.mutex);
  return open_sets_;
}

int SimDevices::OutstandingPreparsedData() {
  std::lock_guard lock(world_.mutex);
  return static_cast<int>(preparsed_.size());
}

int SimDevices::BadPreparsedFrees() {
  std::lock_guard lock(world_.mutex);
  return bad_frees_;
}

int SimDevices::StaleHandleUses() {
  std::lock_guard lock(world_.mutex);
  return stale_uses_;
}

std::vector<SimOpen> SimDevices::Opens() {
  std::lock_guard lock(world_.mutex);
  return opens_;
}

std::vector<std::vector<std::uint8_t>> SimDevices::FeatureWrites(int device) {
  std::lock_guard lock(world_.mutex);
  return devices_.at(device).feature_writes;
}

int SimDevices::FeatureReads(int device) {
  std::lock_guard lock(world_.mutex);
  return devices_.at(device).feature_reads;
}

int SimDevices::Pauses() {
  std::lock_guard lock(world_.mutex);
  return pauses_;
}

std::uint64_t SimDevices::PausedMs() {
  std::lock_guard lock(world_.mutex);
  return paused_ms_;
}

int SimDevices::QueuedReads(int device) {
  std::lock_guard lock(world_.mutex);
  return devices_.at(device).queued_reads;
}

int SimDevices::IdleWaiters() const {
  int n = 0;
  for (PendingRead* r : waiting_reads_) {
    auto it = reads_.find(r);
    if (it != reads_.end() && !it->second.completed) ++n;
  }
  return n;
}

int SimDevices::WaitingReaders() {
  std::lock_guard lock(world_.mutex);
  return IdleWaiters();
}

void SimDevices::WaitUntilWaiting(int n) {
  world_.WaitUntil("fewer than " + std::to_string(n) + " readers ever sat in their wait with a read outstanding", [&] { return IdleWaiters() >= n; });
}

void SimDevices::WaitUntilWaitsEntered(std::uint64_t n) {
  world_.WaitUntil("readers never entered their wait " + std::to_string(n) + " times", [&] { return waits_entered_ >= n; });
}

std::uint64_t SimDevices::WaitsEntered() {
  std::lock_guard lock(world_.mutex);
  return waits_entered_;
}

void SimDevices::HidInterfaceClass(std::uint8_t guid[16]) { std::memcpy(guid, kHidClass, 16); }

bool SimDevices::OpenInterfaceSet(InterfaceSet& set) {
  std::lock_guard lock(world_.mutex);
  if (set_missing_) return false;
  set_view_.clear();
  for (int i = 0; i < static_cast<int>(devices_.size()); ++i) {
    if (devices_[i].plugged) set_view_.push_back(i);
  }
  ++open_sets_;
  last_found_ = -1;
  set = 1;
  return true;
}

void SimDevices::CloseInterfaceSet(InterfaceSet) {
  std::lock_guard lock(world_.mutex);
  --open_sets_;
}

InterfaceLookup SimDevices::FindInterface(InterfaceSet, std::uint32_t index) {
  std::lock_guard lock(world_.mutex);
  if (index >= set_view_.size()) return InterfaceLookup::kNoMoreItems;
  const int device = set_view_[index];
  if (devices_[device].script.lookup_fails) return InterfaceLookup::kFailed;
  last_found_ = device;
  return InterfaceLookup::kFound;
}

bool SimDevices::InterfacePath(InterfaceSet, std::string& path) {
  std::lock_guard lock(world_.mutex);
  if (last_found_ < 0 || devices_[last_found_].script.detail_fails) return false;
  path = devices_[last_found_].script.path;
  return true;
}

DeviceHandle SimDevices::Open(const char* path, OpenMode mode) {
  std::lock_guard lock(world_.mutex);
  auto it = by_path_.find(Lower(path));
  if (it == by_path_.end()) return kInvalidHandle;
  const int i = it->second;
  const Device& d = devices_[i];
  opens_.push_back({i, mode});
  if (!d.plugged || d.script.open_fails) return kInvalidHandle;
  return NewHandle(Handle{i, next_file_++});
}

SimDevices::Handle* SimDevices::Find(DeviceHandle h) {
  auto it = handles_.find(h);
  if (it == handles_.end()) {
    ++stale_uses_;
    return nullptr;
  }
  return &it->second;
}

void SimDevices::Close(DeviceHandle h) {
  {
    std::lock_guard lock(world_.mutex);
    Handle* handle = Find(h);
    if (handle == nullptr) return;
    const int file = handle->file;
    handles_.erase(h);
    free_handles_.insert(h);
    // Closing the last handle of a file ends the reads still running on it.
    if (--file_handles_[file] == 0) {
      file_handles_.erase(file);
      CompleteReadsOf(file, -1);
    }
  }
  world_.changed.notify_all();
}

DeviceHandle SimDevices::Duplicate(DeviceHandle h) {
  std::lock_guard lock(world_.mutex);
  Handle* handle = Find(h);
  if (handle == nullptr) return kInvalidHandle;
  const Handle copy = *handle;
  return NewHandle(copy);
}

bool SimDevices::GetPreparsedData(DeviceHandle h, PreparsedData& data) {
  std::lock_guard lock(world_.mutex);
  Handle* handle = Find(h);
  if (handle == nullptr || devices_[handle->device].script.preparsed_fails) return false;
  data = next_preparsed_++;
  preparsed_[data] = handle->device;
  return true;
}

void SimDevices::FreePreparsedData(PreparsedData data) {
  std::lock_guard lock(world_.mutex);
  if (preparsed_.erase(data) == 0) ++bad_frees_;
}

bool SimDevices::GetAttributes(DeviceHandle h, HidAttributes& attributes) {
  std::lock_guard lock(world_.mutex);
  Handle* handle = Find(h);
  if (handle == nullptr || devices_[handle->device].script.attributes_fail) return false;
  attributes = devices_[handle->device].script.attributes;
  return true;
}

bool SimDevices::GetCaps(PreparsedData data, HidCaps& caps) {
  std::lock_guard lock(world_.mutex);
  auto it = preparsed_.find(data);
  if (it == preparsed_.end() || devices_[it->second].script.caps_fail) return false;
  caps = devices_[it->second].script.caps;
  return true;
}

bool SimDevices::GetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) {
  std::lock_guard lock(world_.mutex);
  Handle* handle = Find(h);
  if (handle == nullptr) return false;
  Device& d = devices_[handle->device];
  ++d.feature_reads;
  // The driver wants room for the whole report.
  if (!d.plugged || length == 0 || length < d.script.caps.feature_report_length) return false;
  auto reply = d.script.feature_replies.find(buffer[0]);
  if (reply == d.script.feature_replies.end()) return false;
  if (!reply->second.empty()) std::memcpy(buffer, reply->second.data(), std::min<std::size_t>(length, reply->second.size()));
  return true;
}

bool SimDevices::SetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) {
  std::lock_guard lock(world_.mutex);
  Handle* handle = Find(h);
  if (handle == nullptr) return false;
  Device& d = devices_[handle->device];
  if (!d.plugged) return false;
  d.feature_writes.emplace_back(buffer, buffer + length);
  return true;
}

void SimDevices::Pause(std::uint32_t ms) {
  std::lock_guard lock(world_.mutex);
  ++pauses_;
  paused_ms_ += ms;
}

bool SimDevices::QueueRead(DeviceHandle h, PendingRead& read) {
  {
    std::lock_guard lock(world_.mutex);
    Handle* handle = Find(h);
    if (handle == nullptr) return false;
    Device& d = devices_[handle->device];
    if (!d.plugged || reads_.count(&read) != 0) return false;
    ++d.queued_reads;
    Read r;
    r.device = handle->device;
    r.file = handle->file;
    if (!d.input.empty()) {
      Complete(read, r, d.input.front());
      d.input.pop_front();
    } else if (d.script.endless_input) {
      const std::uint32_t n = ++d.endless_counter;
      Complete(read, r, {0x01, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                         static_cast<std::uint8_t>(n >> 16)});
    }
    reads_[&read] = std::move(r);
  }
  world_.changed.notify_all();
  return true;
}

ReadWait SimDevices::WaitForRead(PendingRead& read, std::uint32_t ms) {
  std::unique_lock lock(world_.mutex);
  const std::uint64_t deadline = world_.now_ms + ms;
  auto it = reads_.find(&read);
  waiting_reads_.push_back(&read);
  ++waits_entered_;
  world_.changed.notify_all();
  world_.changed.wait(lock, [&] {
    it = reads_.find(&read);
    return (it != reads_.end() && it->second.completed) || world_.now_ms >= deadline;
  });
  waiting_reads_.erase(std::find(waiting_reads_.begin(), waiting_reads_.end(), &read));
  if (it == reads_.end() || !it->second.completed) return ReadWait::kTimedOut;
  // Only the completion's delivery waits for the alertable wait; the data landed when it came.
  reads_.erase(it);
  return ReadWait::kCompleted;
}

// As the system does, the report is written into the reader's buffer when the read completes,
// on whichever thread completes it, whatever the reader is doing meanwhile.
void SimDevices::Complete(PendingRead& into, Read& read, const std::vector<std::uint8_t>& report) {
  read.completed = true;
  if (!report.empty()) std::memcpy(into.buffer, report.data(), std::min<std::size_t>(report.size(), sizeof into.buffer));
}

bool SimDevices::ReadOutstandingLocked(int device) const {
  for (const auto& [key, read] : reads_)
    if (read.device == device && !read.completed) return true;
  return false;
}

void SimDevices::WaitUntilReadOutstanding(int device) {
  world_.WaitUntil("no read was ever outstanding on device " + std::to_string(device),
                   [&] { return ReadOutstandingLocked(device); });
}

void SimDevices::CancelRead(DeviceHandle, PendingRead& read) {
  {
    std::lock_guard lock(world_.mutex);
    auto it = reads_.find(&read);
    if (it == reads_.end() || it->second.completed) return;
    it->second.completed = true;
  }
  world_.changed.notify_all();
}

void SimDevices::CancelReads(DeviceHandle h) {
  {
    std::lock_guard lock(world_.mutex);
    Handle* handle = Find(h);
    if (handle == nullptr) return;
    CompleteReadsOf(handle->file, -1);
  }
  world_.changed.notify_all();
}

void SimDevices::CompleteReadsOf(int file, int device) {
  for (auto& [key, read] : reads_) {
    if (read.completed) continue;
    if ((file >= 0 && read.file == file) || (device >= 0 && read.device == device)) {
      read.completed = true;  // with an error and no data
    }
  }
}

}  // namespace kbdlink::headless
