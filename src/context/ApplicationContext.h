#pragma once
// The process-wide context: user settings, interface texts, recently used
// files, the toolbar layout and the registry that hands out object ids.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "context/RegisteredObject.h"
#include "model/collection/ArrayList.h"
#include "model/collection/Hashtable.h"

namespace quadrell {

enum Setting : int {
  kSettingUsername = 0,
  kSettingScrollbarWidth = 1,
  kSettingLanguage = 2,
  kSettingSimpleFormulas = 3,
};

struct RecentFile {
  std::unique_ptr<RecentFile> next;
  std::u16string path;
};

// What the context reads from the machine; tests pass their own.
struct ContextEnvironment {
  std::string localAppData;    // the base folder; the context's files are in its "quadrell/"
  std::string userName;        // UTF-8
  std::string systemLanguage;  // "de", "en" or ""
};
ContextEnvironment SystemContextEnvironment();

class ApplicationContext {
 public:
  explicit ApplicationContext(const ContextEnvironment& environment);
  ApplicationContext(const ApplicationContext&) = delete;
  ApplicationContext& operator=(const ApplicationContext&) = delete;

  const RecentFile* GetRecentFiles() const { return recentFiles_.get(); }
  void AddRecentFile(std::u16string_view path);
  // Takes every entry of the path off the list and writes the list.
  void RemoveRecentFile(std::u16string_view path);
  std::u16string GetSetting(int index) const;
  void SetSetting(int index, std::u16string_view text);
  int64_t GetSettingInt(int index) const;
  void SetSettingInt(int index, int64_t value);
  void SaveSettings();
  void GetDocumentToolbarItems(ArrayList<int64_t>& list) const;
  void GetToolbarItems(ArrayList<int64_t>& list) const;
  void SetToolbarItems(const ArrayList<int64_t>& list);
  // The context keeps registered objects for the rest of the process, or until unregistered.
  int32_t RegisterObject(std::unique_ptr<RegisteredObject> object);
  void UnregisterObject(int32_t id);

  RegisteredObject* GetRegisteredObject(int32_t id) const { return registry_.Get(id); }
  void ResetToolbarItems();
  // The folder of the settings, toolbar and recent-file files, ending in "/".
  const std::string& Folder() const { return folder_; }

 private:
  static std::string Key(int index);
  std::string PathOf(const char* file) const { return folder_ + file; }
  void WriteRecentFiles() const;

  std::string localAppData_;
  std::unique_ptr<RecentFile> recentFiles_;
  std::map<std::string, std::u16string> textSettings_;
  std::map<std::string, int64_t> intSettings_;
  ArrayList<int64_t> documentToolbarItems_;
  ArrayList<int64_t> toolbarItems_;
  Hashtable<RegisteredObject*> registry_;
  std::map<int32_t, std::unique_ptr<RegisteredObject>> owned_;
  int32_t lastId_ = 199;
  std::string folder_;
};

// The process's context, created on first use from the machine's environment.
ApplicationContext& GetContext();

void LoadLanguage(std::u16string_view language);
// The interface text of the key; the empty text for an unknown key. English
// until a language is loaded.
const std::u16string& Text(std::string_view key);
std::u16string TextWithArgument(std::string_view key, std::u16string_view argument);

}  // namespace quadrell
