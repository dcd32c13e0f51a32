// Costs of the device table and the relay path on simulated devices.
#include <benchmark/benchmark.h>

#include "fixture.h"

namespace kbdlink::testing {
namespace {

void BM_Rebuild(benchmark::State& state) {
  Machine m;
  const int n = static_cast<int>(state.range(0));
  for (int i = 0; i < n; ++i) m.devices.Add(Keyboard(i));
  HidDeviceTable table(m.devices, m.windows, m.threads);
  for (auto _ : state) benchmark::DoNotOptimize(table.Rebuild());
  state.SetItemsProcessed(state.iterations() * n);  // items/s: interfaces enumerated per second
  state.counters["s_per_interface"] =
      benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Rebuild)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// One reader on a device whose reads complete at once; the benchmark thread is the owner
// thread and pumps. Items/s is the number of reports relayed to the client per second.
void BM_RelayOneReader(benchmark::State& state) {
  Machine m;
  SimInterface keyboard = Keyboard(0);
  keyboard.endless_input = true;
  m.devices.Add(keyboard);
  std::uint32_t expected = 1;
  std::int64_t relayed = 0, lost = 0;
  const WindowHandle client = m.windows.CreateWindowFor("Client", "", [&](const Message& msg) {
    if (msg.message == LINKMSG_RELAY) {
      const auto* report = reinterpret_cast<const std::uint8_t*>(msg.lparam);
      const std::uint32_t n = report[1] | report[2] << 8 | report[3] << 16;
      if (n != expected) ++lost;
      expected = n + 1;
      ++relayed;
    }
    return std::intptr_t{0};
  });
  auto table = std::make_unique<HidDeviceTable>(m.devices, m.windows, m.threads);
  table->RegisterInterfaceNotification(client);
  table->Rebuild();
  table->StartReader(0);
  for (auto _ : state) {
    m.windows.WaitUntilPendingSends(1);
    m.windows.Pump();
  }
  table.reset();
  state.SetItemsProcessed(relayed);
  state.counters["lost"] = static_cast<double>(lost);
  state.counters["reports_per_s"] = benchmark::Counter(static_cast<double>(relayed), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RelayOneReader)->UseRealTime();

}  // namespace
}  // namespace kbdlink::testing

BENCHMARK_MAIN();
