#include "context/ApplicationContext.h"

#include <unordered_map>

#include "context/EmbeddedResources.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

constexpr const char* kSettingsFile = "settings";
constexpr const char* kToolbarFile = "toolbar";
constexpr const char* kRecentFilesFile = "lastRecentlyUsedFiles";

constexpr int64_t kDefaultToolbar[] = {1,  8,  9,  0,  31, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 29,
                                       0,  30, 20, 21, 22, 23, 24, 28, 34, 35, 36, 38, 39, 40, 42};
constexpr int64_t kDocumentToolbar[] = {1, 8, 9, 0, 31, 10, 11, 12, 13, 29};

struct SettingInfo {
  const char* key;
  bool isInteger;
};
constexpr SettingInfo kSettings[] = {
    {"Username", false}, {"ScrollbarWidth", true}, {"Language", false}, {"SimpleFormulas", true}};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Splits at LF, dropping the CR of CR LF line ends.
template <typename F>
void ForEachLine(std::string_view text, F&& f) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    bool last = end == text.size();
    if (!(last && line.empty())) f(line);
    if (last) break;
    start = end + 1;
  }
}

std::optional<int64_t> StrictInteger(std::string_view s) {
  s = TrimSpaces(s);
  if (s.empty()) return std::nullopt;
  size_t i = s[0] == '-' || s[0] == '+' ? 1 : 0;
  if (i == s.size() || s.size() - i > 18) return std::nullopt;
  for (size_t j = i; j < s.size(); ++j) {
    if (s[j] < '0' || s[j] > '9') return std::nullopt;
  }
  return ReadInteger(Utf8ToUtf16(s));
}

// Line breaks inside a value would break the one-setting-per-line file.
std::string OneLine(std::u16string_view value) {
  std::string out = Utf16ToUtf8(value);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

std::unordered_map<std::string, std::u16string>& TextTable() {
  static auto* table = new std::unordered_map<std::string, std::u16string>();
  return *table;
}
bool languageLoaded = false;

}  // namespace

ContextEnvironment SystemContextEnvironment() {
  return {LocalAppDataFolder(), CurrentUserName(), SystemLanguage()};
}

std::string ApplicationContext::Key(int index) { return IntegerText(index); }

ApplicationContext::ApplicationContext(const ContextEnvironment& env) : localAppData_(env.localAppData) {
  folder_ = localAppData_ + "/quadrell/";
  MakeFolders(localAppData_ + "/quadrell");

  if (auto recent = ReadWholeFile(PathOf(kRecentFilesFile))) {
    RecentFile* tail = nullptr;
    ForEachLine(*recent, [&](std::string_view line) {
      if (line.empty()) return;
      auto node = std::make_unique<RecentFile>();
      node->path = Utf8ToUtf16(line);
      RecentFile* raw = node.get();
      if (tail) {
        tail->next = std::move(node);
      } else {
        recentFiles_ = std::move(node);
      }
      tail = raw;
    });
  }

  std::map<std::string, std::string> stored;
  if (auto settings = ReadWholeFile(PathOf(kSettingsFile))) {
    std::string_view text = *settings;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    ForEachLine(text, [&](std::string_view line) {
      size_t eq = line.find('=');
      if (eq == std::string_view::npos) return;
      std::string key = Lower(TrimSpaces(line.substr(0, eq)));
      std::string_view value = line.substr(eq + 1);
      if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      stored.emplace(key, std::string(value));
    });
  }
  auto read = [&](int index) -> const std::string* {
    auto it = stored.find(Lower(kSettings[index].key));
    return it == stored.end() ? nullptr : &it->second;
  };
  const std::string* user = read(kSettingUsername);
  textSettings_[Key(kSettingUsername)] = Utf8ToUtf16(user ? *user : env.userName);
  const std::string* language = read(kSettingLanguage);
  textSettings_[Key(kSettingLanguage)] = Utf8ToUtf16(language ? std::string(TrimSpaces(*language)) : env.systemLanguage);
  const int64_t intDefaults[] = {0, 9, 0, 1};
  for (int index : {kSettingScrollbarWidth, kSettingSimpleFormulas}) {
    std::optional<int64_t> v;
    if (const std::string* s = read(index)) v = StrictInteger(*s);
    intSettings_[Key(index)] = v.value_or(intDefaults[index]);
  }

  for (int64_t item : kDocumentToolbar) documentToolbarItems_.Add(item);

  if (auto toolbar = ReadWholeFile(PathOf(kToolbarFile))) {
    // One item is taken before the end of the file is checked: an empty file gives a single 0.
    const auto* bytes = reinterpret_cast<const unsigned char*>(toolbar->data());
    size_t size = toolbar->size();
    size_t at = 0;
    do {
      int64_t item = 0;
      if (at < size) item = bytes[at];
      if (at + 1 < size) item |= static_cast<int64_t>(bytes[at + 1]) << 8;
      toolbarItems_.Add(item);
      at += 2;
    } while (at < size);
  } else {
    ResetToolbarItems();
  }
}

void ApplicationContext::ResetToolbarItems() {
  toolbarItems_.Clear();
  for (int64_t item : kDefaultToolbar) toolbarItems_.Add(item);
}

void ApplicationContext::AddRecentFile(std::u16string_view path) {
  auto node = std::make_unique<RecentFile>();
  node->path = path;
  node->next = std::move(recentFiles_);
  recentFiles_ = std::move(node);
  for (RecentFile* current = recentFiles_.get(); current && current->next;) {
    if (current->next->path == path) {
      current->next = std::move(current->next->next);
    } else {
      current = current->next.get();
    }
  }
  WriteRecentFiles();
}

void ApplicationContext::RemoveRecentFile(std::u16string_view path) {
  const std::u16string gone(path);  // the path may be one of the entries freed here
  std::unique_ptr<RecentFile>* link = &recentFiles_;
  while (*link) {
    if ((*link)->path == gone) {
      *link = std::move((*link)->next);
    } else {
      link = &(*link)->next;
    }
  }
  WriteRecentFiles();
}

void ApplicationContext::WriteRecentFiles() const {
  std::string out;
  for (const RecentFile* f = recentFiles_.get(); f; f = f->next.get()) {
    out += OneLine(f->path);
    out += "\r\n";
  }
  WriteFileAtomically(PathOf(kRecentFilesFile), out);
}

std::u16string ApplicationContext::GetSetting(int index) const {
  auto it = textSettings_.find(Key(index));
  return it == textSettings_.end() ? std::u16string() : it->second;
}

void ApplicationContext::SetSetting(int index, std::u16string_view text) {
  textSettings_[Key(index)] = std::u16string(text);
}

int64_t ApplicationContext::GetSettingInt(int index) const {
  auto it = intSettings_.find(Key(index));
  return it == intSettings_.end() ? 0 : it->second;
}

void ApplicationContext::SetSettingInt(int index, int64_t value) { intSettings_[Key(index)] = value; }

void ApplicationContext::SaveSettings() {
  std::string out = "\xEF\xBB\xBF\r\n";
  for (int index = 0; index < 4; ++index) {
    out += kSettings[index].key;
    out += " = ";
    out += kSettings[index].isInteger ? IntegerText(GetSettingInt(index)) : OneLine(GetSetting(index));
    out += "\r\n";
  }
  WriteFileAtomically(PathOf(kSettingsFile), out);
  std::string items;
  toolbarItems_.ForEach([&](int64_t item) {
    items.push_back(static_cast<char>(item & 0xFF));
    items.push_back(static_cast<char>((item >> 8) & 0xFF));
  });
  WriteFileAtomically(PathOf(kToolbarFile), items);
}

void ApplicationContext::GetDocumentToolbarItems(ArrayList<int64_t>& list) const {
  documentToolbarItems_.ForEach([&](int64_t item) { list.Add(item); });
}

void ApplicationContext::GetToolbarItems(ArrayList<int64_t>& list) const {
  toolbarItems_.ForEach([&](int64_t item) { list.Add(item); });
}

void ApplicationContext::SetToolbarItems(const ArrayList<int64_t>& list) {
  toolbarItems_.Clear();
  list.ForEach([&](int64_t item) { toolbarItems_.Add(item); });
}

int32_t ApplicationContext::RegisterObject(std::unique_ptr<RegisteredObject> object) {
  ++lastId_;
  registry_.Put(lastId_, object.get());
  owned_[lastId_] = std::move(object);
  return lastId_;
}

void ApplicationContext::UnregisterObject(int32_t id) {
  if (registry_.Get(id)) registry_.Put(id, nullptr);
  owned_.erase(id);
}

ApplicationContext& GetContext() {
  static ApplicationContext* context = [] {
    auto* created = new ApplicationContext(SystemContextEnvironment());
    LoadLanguage(created->GetSetting(kSettingLanguage));
    return created;
  }();
  return *context;
}

void LoadLanguage(std::u16string_view language) {
  auto& table = TextTable();
  table.clear();
  languageLoaded = true;
  std::string_view text = GetEmbeddedResource(language == u"de" ? "de.txt" : "en.txt");
  ForEachLine(text, [&](std::string_view line) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      table[std::string(line)] = Utf8ToUtf16(line);
    } else {
      table[std::string(line.substr(0, eq))] = Utf8ToUtf16(line.substr(eq + 1));
    }
  });
}

const std::u16string& Text(std::string_view key) {
  static const std::u16string empty;
  if (!languageLoaded) LoadLanguage(u"en");
  auto& table = TextTable();
  auto it = table.find(std::string(key));
  return it == table.end() ? empty : it->second;
}

std::u16string TextWithArgument(std::string_view key, std::u16string_view argument) {
  std::u16string text = Text(key);
  for (size_t at = text.find(u"$1"); at != std::u16string::npos; at = text.find(u"$1", at + argument.size())) {
    text.replace(at, 2, argument);
  }
  return text;
}

}  // namespace quadrell
