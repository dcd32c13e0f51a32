#include "platform/headless_system.h"

#include <optional>

#include "headless_text.h"

namespace plat {
namespace {

using headless::Fold;
using headless::Trim;

// Lines of a .reg text with the backslash continuations of long hex values joined.
std::vector<std::u16string> LogicalLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::u16string pending;
  while (!text.empty()) {
    const std::size_t end = text.find(u'\n');
    std::u16string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::u16string_view::npos ? text.size() : end + 1);
    // A string value ends in a quote, so only a hex value's line ends in a backslash.
    const bool continued = line.ends_with(u'\\');
    if (continued) line.remove_suffix(1);
    pending += line;
    if (!continued) {
      lines.push_back(std::move(pending));
      pending.clear();
    }
  }
  if (!pending.empty()) lines.push_back(std::move(pending));
  return lines;
}

std::optional<RegistryRoot> RootOf(std::u16string_view name) {
  const std::u16string folded = Fold(name);
  if (folded == u"hkey_local_machine" || folded == u"hklm") return RegistryRoot::LocalMachine;
  if (folded == u"hkey_current_user" || folded == u"hkcu") return RegistryRoot::CurrentUser;
  return std::nullopt;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::optional<std::vector<std::uint8_t>> HexBytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  int value = -1;
  for (char16_t c : text) {
    if (c == u',' || c == u' ' || c == u'\t') {
      if (value >= 0) bytes.push_back(static_cast<std::uint8_t>(value));
      value = -1;
      continue;
    }
    const int d = HexDigit(c);
    if (d < 0 || value >= 0x10) return std::nullopt;
    value = value < 0 ? d : value * 16 + d;
  }
  if (value >= 0) bytes.push_back(static_cast<std::uint8_t>(value));
  return bytes;
}

// A quoted name or text from `text`, escapes undone; `text` is left after the closing quote.
std::optional<std::u16string> Quoted(std::u16string_view& text) {
  if (!text.starts_with(u'"')) return std::nullopt;
  std::u16string out;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == u'\\' && i + 1 < text.size()) {
      out.push_back(text[++i]);
    } else if (text[i] == u'"') {
      text.remove_prefix(i + 1);
      return out;
    } else {
      out.push_back(text[i]);
    }
  }
  return std::nullopt;
}

struct ParsedValue {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};

std::optional<ParsedValue> ValueData(std::u16string_view text) {
  if (text.starts_with(u'"')) {
    const auto s = Quoted(text);
    if (!s) return std::nullopt;
    ParsedValue v{kRegSz, {}};
    for (char16_t c : *s) {
      v.data.push_back(static_cast<std::uint8_t>(c));
      v.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    v.data.insert(v.data.end(), {0, 0});
    return v;
  }
  const std::u16string folded = Fold(text);
  if (folded.starts_with(u"dword:")) {
    const std::u16string_view digits = std::u16string_view(folded).substr(6);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t n = 0;
    for (char16_t c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      n = n * 16 + static_cast<std::uint32_t>(d);
    }
    return ParsedValue{kRegDword, {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                   static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
  }
  std::uint32_t type = kRegBinary;
  std::u16string_view rest = folded;
  if (rest.starts_with(u"hex(")) {
    const std::size_t close = rest.find(u"):");
    if (close == std::u16string_view::npos) return std::nullopt;
    type = 0;
    for (char16_t c : rest.substr(4, close - 4)) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      type = type * 16 + static_cast<std::uint32_t>(d);
    }
    rest.remove_prefix(close + 2);
  } else if (rest.starts_with(u"hex:")) {
    rest.remove_prefix(4);
  } else {
    return std::nullopt;
  }
  auto bytes = HexBytes(rest);
  if (!bytes) return std::nullopt;
  return ParsedValue{type, std::move(*bytes)};
}

}  // namespace

bool ImportRegText(HeadlessRegistry& registry, std::u16string_view text) {
  if (text.starts_with(u'\xFEFF')) text.remove_prefix(1);
  const std::vector<std::u16string> lines = LogicalLines(text);
  std::size_t i = 0;
  while (i < lines.size() && lines[i].empty()) ++i;
  if (i == lines.size() || (lines[i] != u"Windows Registry Editor Version 5.00" && lines[i] != u"REGEDIT4")) return false;

  std::optional<std::pair<RegistryRoot, std::u16string>> key;
  for (++i; i < lines.size(); ++i) {
    std::u16string_view line = lines[i];
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      key.reset();
      if (!line.ends_with(u']')) continue;
      line = line.substr(1, line.size() - 2);
      const bool remove = line.starts_with(u'-');
      if (remove) line.remove_prefix(1);
      const std::size_t slash = line.find(u'\\');
      const auto root = RootOf(line.substr(0, slash));
      if (!root) continue;
      const std::u16string_view path = slash == std::u16string_view::npos ? u"" : line.substr(slash + 1);
      if (remove) {
        registry.DeleteKey(*root, path);
      } else {
        registry.AddKey(*root, path);
        key.emplace(*root, std::u16string(path));
      }
      continue;
    }
    if (!key) continue;
    std::u16string name;
    if (line.starts_with(u'@')) {
      line.remove_prefix(1);
    } else if (auto quoted = Quoted(line)) {
      name = std::move(*quoted);
    } else {
      continue;
    }
    line = Trim(line);
    if (!line.starts_with(u'=')) continue;
    line = Trim(line.substr(1));
    if (auto value = ValueData(line)) registry.SetValue(key->first, key->second, name, value->type, std::move(value->data));
  }
  return true;
}

EditorStart HeadlessSystem::RunRegistryEditor(std::u16string_view arguments) {
  editor_runs_.emplace_back(arguments);
  if (elevation_required) return EditorStart::NeedsElevation;
  Import(arguments, current_directory_path);
  return EditorStart::Ran;
}

void HeadlessSystem::RunRegistryEditorElevated(std::u16string_view arguments, std::u16string_view directory) {
  elevated_runs_.push_back({std::u16string(arguments), std::u16string(directory)});
  if (consent_refused) return;
  // Without a directory the elevated editor starts where the shell puts it, not beside us.
  Import(arguments, directory.empty() ? u"C:\\Windows\\System32" : directory);
}

void HeadlessSystem::Import(std::u16string_view arguments, std::u16string_view directory) {
  bool silent = false;
  std::optional<std::u16string> file;
  while (!(arguments = Trim(arguments)).empty()) {
    std::u16string word;
    if (arguments.front() == u'"') {
      const std::size_t close = arguments.find(u'"', 1);
      word = arguments.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1);
      arguments.remove_prefix(close == std::u16string_view::npos ? arguments.size() : close + 1);
    } else {
      const std::size_t end = arguments.find_first_of(u" \t");
      word = arguments.substr(0, end);
      arguments.remove_prefix(end == std::u16string_view::npos ? arguments.size() : end);
    }
    if (Fold(word) == u"-s" || Fold(word) == u"/s")
      silent = true;
    else if (!file)
      file = Fold(word);
  }
  if (!silent || !file || !registry_) return;
  // A full path names its own folder; a bare name lies in the folder the editor started in.
  std::u16string folder = Fold(directory);
  std::u16string name = *file;
  if (const std::size_t slash = file->rfind(u'\\'); slash != std::u16string::npos) {
    folder = file->substr(0, slash);
    name = file->substr(slash + 1);
  }
  if (folder.ends_with(u'\\')) folder.pop_back();
  std::u16string ours = Fold(current_directory_path);
  if (ours.ends_with(u'\\')) ours.pop_back();
  if (folder != ours) return;
  for (const auto& [n, text] : current_directory)
    if (Fold(n) == name) ImportRegText(*registry_, text);
}

}  // namespace plat
