// Start-up benchmark: starts each program in turn, times it to its last window and until that
// window answers a message, then takes its CPU share while idle and its peak working set, and
// ends it. Rounds alternate the order of the programs; the summary gives medians, ratios and
// deltas against the first program, the baseline.
//
//   start_bench <rounds> <idle-ms> <baseline.exe> <last-class> <quit-class> <program.exe> <last-class> <quit-class>
//
// A program is ended by posting WM_QUIT to its window of <quit-class>, as its own end command does.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStartLimitMs = 20000;
constexpr DWORD kEndLimitMs = 10000;
constexpr DWORD kSettleMs = 500;  // lets the start's own work and first repaints finish
// Each start finds the desktop at rest: the shell has let go of the last program's tray icon
// and windows.
constexpr DWORD kQuietMs = 1000;

struct Subject {
  std::wstring path;
  std::string last_class;
  std::string quit_class;
};

struct Sample {
  double window_ms = 0;  // start to its last window
  double ready_ms = 0;   // start until its last window answers a message
  double start_cpu_ms = 0;
  double idle_cpu_ms = 0;
  double idle_wall_ms = 0;
  double peak_kb = 0;
};

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND WindowOf(const std::string& class_name, DWORD process) {
  for (HWND w = FindWindowExA(nullptr, nullptr, class_name.c_str(), nullptr); w;
       w = FindWindowExA(nullptr, w, class_name.c_str(), nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == process) return w;
  }
  return nullptr;
}

double FiletimeMs(const FILETIME& t) {
  return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 10000.0;
}

// Kernel plus user time of every thread of the process.
double CpuMs(DWORD process) {
  double total = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != process) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
    if (!thread) continue;
    FILETIME created, ended, kernel, user;
    if (GetThreadTimes(thread, &created, &ended, &kernel, &user)) total += FiletimeMs(kernel) + FiletimeMs(user);
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return total;
}

class Child {
 public:
  explicit Child(const std::wstring& path) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring line = L"\"" + path + L"\"";
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &info_))
      info_ = {};
  }
  ~Child() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, kEndLimitMs);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  HANDLE Handle() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
};

bool Fail(const char* what, const Subject& s) {
  std::fprintf(stderr, "start_bench: %ls: %s\n", s.path.c_str(), what);
  return false;
}

bool EndChild(const Child& child, const Subject& s) {
  HWND quit = WindowOf(s.quit_class, child.Id());
  if (!quit) return Fail("no window to end it by", s);
  PostMessageA(quit, WM_QUIT, 0, 0);
  if (WaitForSingleObject(child.Handle(), kEndLimitMs) != WAIT_OBJECT_0) return Fail("did not end after WM_QUIT", s);
  DWORD code = 1;
  GetExitCodeProcess(child.Handle(), &code);
  if (code != 0) return Fail("ended with a nonzero exit code", s);
  return true;
}

bool Measure(const Subject& s, DWORD idle_ms, Sample& out) {
  const double t0 = NowMs();
  Child child(s.path);
  if (!child.Started()) return Fail("could not be started", s);
  HWND last = nullptr;
  while (!(last = WindowOf(s.last_class, child.Id()))) {
    if (!child.Running()) return Fail("ended before its last window", s);
    if (NowMs() - t0 > kStartLimitMs) return Fail("no last window within 20 s", s);
    Sleep(1);
  }
  out.window_ms = NowMs() - t0;
  // The answer comes once the window's thread gets back to its messages, that is when the
  // start-up work after the window is done. WaitForInputIdle would not do: it is satisfied as
  // soon as any thread of the process waits for messages, such as a helper library's own.
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(last, WM_NULL, 0, 0, SMTO_NORMAL, kStartLimitMs, &answer))
    return Fail("its last window did not answer within 20 s", s);
  out.ready_ms = NowMs() - t0;
  out.start_cpu_ms = CpuMs(child.Id());
  Sleep(kSettleMs);
  const double cpu0 = CpuMs(child.Id()), wall0 = NowMs();
  Sleep(idle_ms);
  const double cpu1 = CpuMs(child.Id()), wall1 = NowMs();
  out.idle_cpu_ms = cpu1 - cpu0;
  out.idle_wall_ms = wall1 - wall0;
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(child.Handle(), &memory, sizeof memory)) return Fail("no memory counters", s);
  out.peak_kb = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
  return EndChild(child, s);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename Field>
std::vector<double> Column(const std::vector<Sample>& samples, Field field, double scale = 1) {
  std::vector<double> v;
  for (const Sample& s : samples) v.push_back(s.*field * scale);
  return v;
}

// Ratio and delta are medians of each round's pair, which ran seconds apart, so a load that
// comes and goes on the machine moves them less than it moves either side's median.
struct Comparison {
  double baseline, program, ratio, delta;
};

Comparison Paired(const std::vector<double>& baseline, const std::vector<double>& program) {
  std::vector<double> ratios, deltas;
  for (size_t i = 0; i < baseline.size() && i < program.size(); ++i) {
    ratios.push_back(baseline[i] > 0 ? program[i] / baseline[i] : 0);
    deltas.push_back(program[i] - baseline[i]);
  }
  return {Median(baseline), Median(program), Median(ratios), Median(deltas)};
}

void Print(const char* what, const char* unit, const Comparison& c) {
  std::printf("%-26s baseline %9.2f %s  program %9.2f %s  ratio %5.2fx  delta %+9.2f %s\n", what, c.baseline, unit,
              c.program, unit, c.ratio, c.delta, unit);
}

// The CPU clock ticks in steps of 10 ms or more, so idle CPU is the share over all rounds.
double IdleShare(const std::vector<Sample>& samples) {
  double cpu = 0, wall = 0;
  for (const Sample& s : samples) cpu += s.idle_cpu_ms, wall += s.idle_wall_ms;
  return wall > 0 ? 100.0 * cpu / wall : 0.0;
}

std::wstring Widen(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 9) {
    std::fprintf(stderr,
                 "usage: start_bench <rounds> <idle-ms> <baseline.exe> <last-class> <quit-class> "
                 "<program.exe> <last-class> <quit-class>\n");
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  const DWORD idle_ms = static_cast<DWORD>(std::max(100, std::atoi(argv[2])));
  const Subject subjects[2] = {{Widen(argv[3]), argv[4], argv[5]}, {Widen(argv[6]), argv[7], argv[8]}};
  std::vector<Sample> samples[2];
  // Round 0 warms the file cache and Wine's own start-up; it is not counted.
  for (int round = 0; round <= rounds; ++round) {
    for (int k = 0; k < 2; ++k) {
      const int which = (round + k) % 2;
      Sample sample;
      if (!Measure(subjects[which], idle_ms, sample)) return 1;
      Sleep(kQuietMs);
      if (round == 0) continue;
      samples[which].push_back(sample);
      std::printf("round %2d %-8s window %7.1f ms  ready %7.1f ms  start cpu %6.1f ms  idle cpu %5.1f ms  peak %7.0f KB\n",
                  round, which ? "program" : "baseline", sample.window_ms, sample.ready_ms, sample.start_cpu_ms,
                  sample.idle_cpu_ms, sample.peak_kb);
      std::fflush(stdout);
    }
  }
  std::printf("\nmedians of %d rounds (ratio and delta: of each round's pair), idle over %lu ms:\n", rounds, static_cast<unsigned long>(idle_ms));
  const auto compare = [&](const char* what, const char* unit, double Sample::*field, double scale = 1) {
    Print(what, unit, Paired(Column(samples[0], field, scale), Column(samples[1], field, scale)));
  };
  compare("start to last window", "ms", &Sample::window_ms);
  compare("start to answering", "ms", &Sample::ready_ms);
  compare("CPU time of the start", "ms", &Sample::start_cpu_ms);
  const double idle_base = IdleShare(samples[0]), idle_program = IdleShare(samples[1]);
  Print("idle CPU, all rounds", "%",
        {idle_base, idle_program, idle_base > 0 ? idle_program / idle_base : 0, idle_program - idle_base});
  compare("peak working set", "MB", &Sample::peak_kb, 1.0 / 1024);
  return 0;
}
