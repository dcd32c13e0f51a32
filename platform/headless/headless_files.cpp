#include "platform/headless_files.h"

#include <optional>

#include "headless_text.h"

namespace plat {
namespace {

using headless::Fold;
using headless::Trim;

std::optional<std::u16string> Lookup(std::u16string_view contents, std::u16string_view section,
                                     std::u16string_view key) {
  if (contents.starts_with(u'\xFEFF')) contents.remove_prefix(1);
  const std::u16string want_section = Fold(section);
  const std::u16string want_key = Fold(key);
  bool in_section = false;
  while (!contents.empty()) {
    const std::size_t end = contents.find(u'\n');
    const std::u16string_view line = Trim(contents.substr(0, end));
    contents.remove_prefix(end == std::u16string_view::npos ? contents.size() : end + 1);
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      const std::size_t close = line.find(u']');
      in_section = close != std::u16string_view::npos && Fold(Trim(line.substr(1, close - 1))) == want_section;
      continue;
    }
    const std::size_t eq = line.find(u'=');
    if (!in_section || eq == std::u16string_view::npos || Fold(Trim(line.substr(0, eq))) != want_key) continue;
    std::u16string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::u16string(value);
  }
  return std::nullopt;
}

}  // namespace

bool HeadlessFiles::Exists(std::u16string_view path) {
  // FindFirstFileW would match patterns; a name with them names no one file.
  if (path.find_first_of(u"*?") != std::u16string_view::npos) return false;
  return files_.contains(Fold(path));
}

std::u16string HeadlessFiles::ReadProfileString(std::u16string_view section, std::u16string_view key,
                                                std::u16string_view fallback, std::u16string_view file,
                                                std::size_t capacity) {
  if (capacity == 0) return {};
  std::optional<std::u16string> value;
  if (const auto f = files_.find(Fold(file)); f != files_.end()) value = Lookup(f->second, section, key);
  std::u16string text = value ? std::move(*value) : std::u16string(fallback);
  if (text.size() > capacity - 1) text.resize(capacity - 1);
  return text;
}

void HeadlessFiles::Add(std::u16string_view path, std::u16string contents) { files_[Fold(path)] = std::move(contents); }

void HeadlessFiles::Remove(std::u16string_view path) { files_.erase(Fold(path)); }

}  // namespace plat
