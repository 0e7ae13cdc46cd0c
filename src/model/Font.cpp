#include "model/Font.h"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>

#include "value/NumberText.h"

namespace quadrell {

namespace {

struct FontTables {
  std::unordered_map<std::u16string, std::unique_ptr<FontRecord>> fonts;
  std::vector<std::u16string> faces;
  std::unordered_map<std::u16string, int32_t> positions;
};

FontTables& Tables() {
  static FontTables* tables = new FontTables();  // never destroyed: fonts outlive every holder
  return *tables;
}

void AppendDecimal(std::u16string& out, int64_t n) {
  std::string text = IntegerText(n);
  out.append(text.begin(), text.end());
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool LessIgnoringCase(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = Lower(a[i]);
    char16_t y = Lower(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // faces equal but for case keep a fixed order
}

}  // namespace

int32_t FontPixelSize(int32_t size) {
  return static_cast<int32_t>(static_cast<int64_t>(size) * GetFontBackend().ScreenDpi() / 72);
}

const FontRecord* GetFont(std::u16string_view face, int32_t size, uint32_t flags) {
  std::u16string key(face);
  key += u'_';
  AppendDecimal(key, size);
  key += u'_';
  AppendDecimal(key, flags);
  FontTables& tables = Tables();
  auto found = tables.fonts.find(key);
  if (found != tables.fonts.end()) return found->second.get();
  auto record = std::make_unique<FontRecord>();
  record->face = face;
  record->flags = flags;
  record->size = size;
  record->platformFont = GetFontBackend().CreateFont(face, FontPixelSize(size), flags);
  record->metrics = record->platformFont->Metrics();
  const FontRecord* result = record.get();
  tables.fonts.emplace(std::move(key), std::move(record));
  return result;
}

const FontRecord* GetDefaultFont() {
  static const FontRecord* font = GetFont(u"Arial", 10, 0);
  return font;
}

std::vector<std::u16string> FontFaceList(std::vector<std::u16string> families) {
  std::vector<std::u16string> faces;
  for (std::u16string& name : families) {
    name.erase(std::remove(name.begin(), name.end(), u'@'), name.end());
    faces.push_back(std::move(name));
  }
  std::sort(faces.begin(), faces.end(), LessIgnoringCase);
  faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
  return faces;
}

void EnumerateFonts() {
  FontTables& tables = Tables();
  tables.faces = FontFaceList(GetFontBackend().InstalledFamilies());
  tables.positions.clear();
  for (size_t i = 0; i < tables.faces.size(); ++i) tables.positions[tables.faces[i]] = static_cast<int32_t>(i + 1);
  for (const std::u16string& name : tables.faces) GetFont(name, 14, 0);
}

const std::vector<std::u16string>& GetFontFaces() { return Tables().faces; }

int32_t GetFontFacePosition(std::u16string_view face) {
  const auto& positions = Tables().positions;
  auto found = positions.find(std::u16string(face));
  return found == positions.end() ? 0 : found->second;
}

}  // namespace quadrell
