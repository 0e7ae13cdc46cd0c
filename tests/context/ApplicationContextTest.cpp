#include "context/ApplicationContext.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "context/EmbeddedResources.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

using test::TempFolder;

std::string Slurp(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

void Write(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

std::vector<int64_t> Items(const ArrayList<int64_t>& list) {
  std::vector<int64_t> out;
  list.ForEach([&](int64_t v) { out.push_back(v); });
  return out;
}

TEST(ApplicationContextTest, DefaultsFollowTheSystem) {
  TempFolder home;
  ApplicationContext german({home.Path(), "anna", "de"});
  EXPECT_EQ(german.GetSetting(kSettingLanguage), u"de");
  EXPECT_EQ(german.GetSetting(kSettingUsername), u"anna");
  EXPECT_EQ(german.GetSettingInt(kSettingScrollbarWidth), 9);
  EXPECT_EQ(german.GetSettingInt(kSettingSimpleFormulas), 1);
  ApplicationContext japanese({home.Path(), "anna", ""});
  EXPECT_EQ(japanese.GetSetting(kSettingLanguage), u"");
  EXPECT_EQ(german.GetSetting(42), u"");
  EXPECT_EQ(german.GetSettingInt(42), 0);

  ArrayList<int64_t> items;
  german.GetToolbarItems(items);
  EXPECT_EQ(items.Count(), 31);
  EXPECT_EQ(items.Get(0), 1);
  EXPECT_EQ(items.Get(30), 42);
  ArrayList<int64_t> documentItems;
  german.GetDocumentToolbarItems(documentItems);
  EXPECT_EQ(Items(documentItems), (std::vector<int64_t>{1, 8, 9, 0, 31, 10, 11, 12, 13, 29}));
}

TEST(ApplicationContextTest, SettingsAndToolbarRoundTrip) {
  TempFolder home;
  {
    ApplicationContext context({home.Path(), "anna", "de"});
    context.SetSetting(kSettingUsername, u"Jörg\nMüller");
    context.SetSettingInt(kSettingScrollbarWidth, 12);
    context.SetSetting(kSettingLanguage, u"en");
    context.SetSettingInt(kSettingSimpleFormulas, 0);
    ArrayList<int64_t> items;
    items.Add(3);
    items.Add(0);
    items.Add(300);
    context.SetToolbarItems(items);
    context.SaveSettings();
  }
  EXPECT_EQ(Slurp(home.File("quadrell/settings")),
            "\xEF\xBB\xBF\r\nUsername = J\xC3\xB6rg M\xC3\xBCller\r\nScrollbarWidth = 12\r\nLanguage = en\r\n"
            "SimpleFormulas = 0\r\n");
  EXPECT_EQ(Slurp(home.File("quadrell/toolbar")), std::string("\x03\x00\x00\x00\x2C\x01", 6));
  ApplicationContext again({home.Path(), "anna", "de"});
  EXPECT_EQ(again.GetSetting(kSettingUsername), u"Jörg Müller");
  EXPECT_EQ(again.GetSettingInt(kSettingScrollbarWidth), 12);
  EXPECT_EQ(again.GetSetting(kSettingLanguage), u"en");
  EXPECT_EQ(again.GetSettingInt(kSettingSimpleFormulas), 0);
  ArrayList<int64_t> items;
  again.GetToolbarItems(items);
  EXPECT_EQ(Items(items), (std::vector<int64_t>{3, 0, 300}));
}

TEST(ApplicationContextTest, ReadsKeysWithoutCaseAndFallsBackOnBadValues) {
  TempFolder home;
  MakeFolders(home.File("quadrell"));
  Write(home.File("quadrell/settings"), "scrollbarwidth = abc\nLANGUAGE = de\nsimpleformulas = 0\nnoise\n");
  Write(home.File("quadrell/toolbar"), "");
  ApplicationContext context({home.Path(), "anna", "en"});
  EXPECT_EQ(context.GetSettingInt(kSettingScrollbarWidth), 9);
  EXPECT_EQ(context.GetSetting(kSettingLanguage), u"de");
  EXPECT_EQ(context.GetSettingInt(kSettingSimpleFormulas), 0);
  EXPECT_EQ(context.GetSetting(kSettingUsername), u"anna");
  ArrayList<int64_t> items;
  context.GetToolbarItems(items);
  EXPECT_EQ(Items(items), (std::vector<int64_t>{0}));  // an empty toolbar file gives one item 0
}

TEST(ApplicationContextTest, RecentFilesMoveToTheFrontAndAreWritten) {
  TempFolder home;
  MakeFolders(home.File("quadrell"));
  Write(home.File("quadrell/lastRecentlyUsedFiles"), "/b.xlsx\r\n/a.xlsx\r\n");
  ApplicationContext context({home.Path(), "anna", "en"});
  context.AddRecentFile(u"/a.xlsx");
  std::vector<std::u16string> paths;
  for (const RecentFile* f = context.GetRecentFiles(); f; f = f->next.get()) paths.push_back(f->path);
  EXPECT_EQ(paths, (std::vector<std::u16string>{u"/a.xlsx", u"/b.xlsx"}));
  EXPECT_EQ(Slurp(home.File("quadrell/lastRecentlyUsedFiles")), "/a.xlsx\r\n/b.xlsx\r\n");
  context.AddRecentFile(u"/A.xlsx");  // case matters
  context.AddRecentFile(u"/ü.xlsx");
  EXPECT_EQ(Slurp(home.File("quadrell/lastRecentlyUsedFiles")), "/\xC3\xBC.xlsx\r\n/A.xlsx\r\n/a.xlsx\r\n/b.xlsx\r\n");
}

TEST(ApplicationContextTest, RegistryHandsOutIdsFrom200) {
  TempFolder home;
  ApplicationContext context({home.Path(), "anna", "en"});
  auto a = std::make_unique<RegisteredObject>();
  auto b = std::make_unique<RegisteredObject>();
  RegisteredObject* first = a.get();
  RegisteredObject* second = b.get();
  EXPECT_EQ(context.RegisterObject(std::move(a)), 200);
  EXPECT_EQ(context.RegisterObject(std::move(b)), 201);
  EXPECT_EQ(context.GetRegisteredObject(200), first);
  context.UnregisterObject(200);
  EXPECT_EQ(context.GetRegisteredObject(200), nullptr);
  EXPECT_EQ(context.GetRegisteredObject(201), second);
  EXPECT_EQ(context.RegisterObject(std::make_unique<RegisteredObject>()), 202);
}

TEST(ApplicationContextTest, MissingFolderIsNoError) {
  TempFolder home;
  std::string base = home.File("plain-file");
  Write(base, "x");  // a file where the folder should go: nothing can be written
  ApplicationContext context({base, "anna", "en"});
  context.AddRecentFile(u"/a.xlsx");
  context.SaveSettings();
  EXPECT_EQ(context.GetRecentFiles()->path, u"/a.xlsx");
}

TEST(LanguageTest, TextsInBothLanguages) {
  LoadLanguage(u"en");
  EXPECT_EQ(Text("unknownName"), u"unknown");
  EXPECT_EQ(Text("settings:simpleFormulasDescription"), u"Compute simple formulas without leading =");
  EXPECT_EQ(Text("no such key"), u"");
  EXPECT_EQ(TextWithArgument("overridefile", u"Book.xlsx"), u"File Book.xlsx already exists. Override?");
  EXPECT_EQ(TextWithArgument("no such key", u"x"), u"");
  LoadLanguage(u"de");
  EXPECT_EQ(Text("about"), u"Über Quadrell");
  EXPECT_EQ(Text("functions:valueList"), u"Wert[;Wert...];");
  EXPECT_EQ(TextWithArgument("overridefile", u"$1"),
            u"Datei $1 existiert bereits. Möchten Sie die Datei überschreiben?");
  LoadLanguage(u"fr");  // anything but German is English
  EXPECT_EQ(Text("true"), u"TRUE");
}

TEST(LanguageTest, EveryKeyExistsInBothLanguages) {
  auto keys = [](std::u16string_view language) {
    LoadLanguage(language);
    std::vector<std::string> found;
    std::string_view text = GetEmbeddedResource(language == u"de" ? "de.txt" : "en.txt");
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
      if (line.empty()) continue;
      found.push_back(line.substr(0, line.find('=')));
      EXPECT_FALSE(Text(found.back()).empty()) << found.back();
    }
    return found;
  };
  EXPECT_EQ(keys(u"en"), keys(u"de"));
}

TEST(FilesTest, AtomicWriteLeavesTheOldFileOnFailure) {
  TempFolder folder;
  std::string path = folder.File("data.txt");
  ASSERT_TRUE(WriteFileAtomically(path, "old"));
  EXPECT_EQ(Slurp(path), "old");
  ASSERT_TRUE(WriteFileAtomically(path, "new contents"));
  EXPECT_EQ(Slurp(path), "new contents");
  if (geteuid() != 0) {
    chmod(folder.Path().c_str(), 0500);
    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(path, "lost", &reason));
    EXPECT_FALSE(reason.empty());
    chmod(folder.Path().c_str(), 0700);
    EXPECT_EQ(Slurp(path), "new contents");
  }
  std::string reason;
  EXPECT_FALSE(WriteFileAtomically(folder.File("missing/dir/x"), "x", &reason));
  EXPECT_FALSE(reason.empty());
  // Nothing but the target is left behind.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace quadrell
