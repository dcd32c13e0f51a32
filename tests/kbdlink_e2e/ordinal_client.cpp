// Calls GetFeatures through an import bound by ordinal 7 and checks its own import table
// names no function of kbdlink.dll. Exit code 0 when both hold.
#include <windows.h>

#include <cstring>

#include "kbdlink/kbdlink.h"

namespace {

bool ImportsKbdlinkByOrdinal7Only() {
  auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name != 0; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "kbdlink.dll") != 0) continue;
    auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    int count = 0;
    for (; thunk->u1.Ordinal != 0; ++thunk, ++count) {
      if (!IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal) || IMAGE_ORDINAL(thunk->u1.Ordinal) != 7) return false;
    }
    return count == 1;
  }
  return false;
}

}  // namespace

int main() {
  unsigned char buffer[9] = {0x05, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  const int result = GetFeatures(0x1A2C, 0x2124, 0xFF01, 1, buffer);  // no enumeration has run
  if (result != 1 || buffer[0] != 0x05 || buffer[1] != 0xEE) return 2;
  return ImportsKbdlinkByOrdinal7Only() ? 0 : 3;
}
