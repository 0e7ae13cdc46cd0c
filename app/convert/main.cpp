// quadrell-convert: loads a workbook, recalculates it as the window program
// would, and writes it in another file type, without a display.
//
//   quadrell-convert [--lang de|en] [--sheet N] INPUT OUTPUT
//
// Exit status 0 on success, 1 when a file cannot be read or written or its
// type is unknown, or was read only in part (what was read is still written),
// 2 for a wrong command line. An existing OUTPUT is replaced
// only by a complete new file.
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "context/ApplicationContext.h"
#include "document/Document.h"
#include "loadsave/DocumentExport.h"
#include "loadsave/LoadSaveCsvTsv.h"
#include "loadsave/LoadSaveDocx.h"
#include "loadsave/LoadSaveXlsx.h"
#include "loadsave/SavePdf.h"
#include "model/PlainHost.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "platform/Environment.h"
#include "value/NumberText.h"
#include "value/Unicode.h"
#include "value/Value.h"

namespace quadrell {
namespace {

// `damage` tells of a file read only in part (a damaged member, data beyond the grid).
using LoadFunction = std::unique_ptr<Workbook> (*)(Host* host, const std::string& path, std::string* error,
                                                   std::u16string* damage);
// Writes the workbook; a one-sheet file type writes only the given sheet.
using SaveFunction = bool (*)(Workbook& workbook, Sheet& sheet, const std::string& path, std::string* error);

struct FileFormat {
  std::string_view extension;  // lower case, with the point
  LoadFunction load;           // null: the type is only written
  SaveFunction save;           // null: the type is only read
};

// A file that cannot be read says why; one that reads but is no workbook
// package gets the program's open-error message.
std::unique_ptr<Workbook> LoadXlsxFile(Host* host, const std::string& path, std::string* error,
                                       std::u16string* damage) {
  std::unique_ptr<Workbook> workbook = LoadXlsx(path, host, damage);
  if (!workbook && error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
      *error = std::strerror(errno);
    } else {
      std::fclose(file);
      *error = Utf16ToUtf8(Text("errorOpenFileMsg"));
    }
  }
  return workbook;
}

bool SaveXlsxWorkbook(Workbook& workbook, Sheet&, const std::string& path, std::string* error) {
  return SaveXlsx(workbook, path, error);
}

bool SavePdfSheet(Workbook&, Sheet& sheet, const std::string& path, std::string* error) {
  std::string reason;
  if (SavePdf(&sheet, path, &reason)) return true;
  if (error) *error = Utf16ToUtf8(kPdfErrorMessage) + (reason.empty() ? "" : " (" + reason + ")");
  return false;
}

bool SaveCsvSheet(Workbook&, Sheet& sheet, const std::string& path, std::string* error) {
  return SaveCsv(sheet, path, error);
}

bool SaveTsvSheet(Workbook&, Sheet& sheet, const std::string& path, std::string* error) {
  return SaveTsv(sheet, path, error);
}

// One entry per file type.
const FileFormat kFormats[] = {
    {".xlsx", LoadXlsxFile, SaveXlsxWorkbook},
    {".csv", LoadCsv, SaveCsvSheet},
    {".tsv", LoadTsv, SaveTsvSheet},
    {".pdf", nullptr, SavePdfSheet},
};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

const FileFormat* FormatOf(const std::string& path) {
  size_t slash = path.rfind('/');
  size_t name = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < name) return nullptr;
  std::string extension = Lower(std::string_view(path).substr(dot));
  for (const FileFormat& format : kFormats) {
    if (format.extension == extension) return &format;
  }
  return nullptr;
}

std::u16string KnownExtensions() {
  std::u16string list;
  for (const FileFormat& format : kFormats) {
    if (!list.empty()) list += u", ";
    list += AsciiToUtf16(format.extension);
  }
  return list;
}

std::string Say(std::u16string_view text) { return Utf16ToUtf8(text); }

void PrintLine(FILE* stream, const std::string& line) {
  std::fputs(line.c_str(), stream);
  std::fputc('\n', stream);
}

// "quadrell-convert: FILE: message[: reason]" on standard error.
int Fail(const std::string& file, std::u16string_view message, const std::string& reason = {}) {
  std::string line = "quadrell-convert: " + file + ": " + Say(message);
  if (!reason.empty()) line += ": " + reason;
  PrintLine(stderr, line);
  return 1;
}

int UsageError(std::u16string_view message) {
  PrintLine(stderr, "quadrell-convert: " + Say(message));
  PrintLine(stderr, Say(Text("convert:usage")));
  return 2;
}

void PrintHelp() {
  PrintLine(stdout, Say(Text("convert:usage")));
  PrintLine(stdout, Say(TextWithArgument("convert:helpSummary", KnownExtensions())));
  for (const char* key : {"convert:helpLang", "convert:helpSheet", "convert:helpHelp", "convert:helpVersion", "convert:helpDocument"}) {
    PrintLine(stdout, Say(Text(key)));
  }
}

std::string ExtensionOf(const std::string& path) {
  size_t slash = path.rfind('/');
  size_t name = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < name) return {};
  return Lower(std::string_view(path).substr(dot));
}

// A text document: its pages as PDF, a round trip as DOCX, or its plain text.
int ConvertTextDocument(const std::string& input, const std::string& output) {
  std::string to = ExtensionOf(output);
  if (to != ".pdf" && to != ".docx" && to != ".txt") {
    return Fail(output, TextWithArgument("convert:unknownType", u".docx, .pdf, .txt"));
  }
  std::string reason;
  std::unique_ptr<Document> document = LoadDocx(input, &reason);
  if (!document) {
    FILE* file = std::fopen(input.c_str(), "rb");
    if (!file) return Fail(input, Text("convert:cannotRead"), std::strerror(errno));
    std::fclose(file);
    return Fail(input, Text("convert:cannotRead"), Utf16ToUtf8(Text("errorOpenFileMsg")) + " (" + reason + ")");
  }
  bool written = to == ".pdf"    ? SaveDocumentPdf(*document, output, &reason)
                 : to == ".docx" ? SaveDocx(*document, output, &reason)
                                 : SaveDocumentText(*document, output, &reason);
  if (!written) return Fail(output, Text("convert:cannotWrite"), reason);
  return 0;
}

struct Options {
  bool help = false;
  bool version = false;
  std::string language;  // "" for the context's setting
  std::string sheet;     // "" for the active sheet
  std::vector<std::string> files;
};

// Takes "--name value" and "--name=value". Returns the usage error, or "".
std::u16string ParseArguments(int argc, char** argv, Options& options) {
  bool onlyFiles = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (onlyFiles || argument.size() < 2 || argument[0] != '-') {
      options.files.push_back(argument);
      continue;
    }
    if (argument == "--") {
      onlyFiles = true;
      continue;
    }
    std::string name = argument;
    std::string value;
    bool hasValue = false;
    if (size_t eq = argument.find('='); eq != std::string::npos && argument.rfind("--", 0) == 0) {
      name = argument.substr(0, eq);
      value = argument.substr(eq + 1);
      hasValue = true;
    }
    if (name == "--help" || name == "-h") {
      options.help = true;
    } else if (name == "--version") {
      options.version = true;
    } else if (name == "--lang" || name == "--sheet") {
      if (!hasValue) {
        if (i + 1 >= argc) return TextWithArgument("convert:missingValue", Utf8ToUtf16(name));
        value = argv[++i];
      }
      (name == "--lang" ? options.language : options.sheet) = value;
    } else {
      return TextWithArgument("convert:badOption", Utf8ToUtf16(argument));
    }
  }
  return {};
}

// A converted workbook is built once and freed at the end: let the heap grow
// in large steps backed by huge pages where the system offers them, which
// spares tens of thousands of page faults on a large sheet.
void PrepareHeap() {
  constexpr int kStep = 64 << 20;
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TOP_PAD, kStep);
  mallopt(M_TRIM_THRESHOLD, 2 * kStep);
  // One allocation larger than what is left makes the heap take its first step now.
  void* block = malloc(1 << 20);
  auto start = reinterpret_cast<uintptr_t>(block);
  auto end = reinterpret_cast<uintptr_t>(sbrk(0));
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  start = (start + kHuge - 1) & ~(kHuge - 1);
  if (block && end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  free(block);
}

int Run(int argc, char** argv) {
  // Memory that runs out ends the conversion with one line, not an abort.
  std::set_new_handler([] { ReportOutOfMemory(); });
  PrepareHeap();
  // The context loads the texts of its language setting, which follows the
  // system language until the user chose one.
  std::u16string language = GetContext().GetSetting(kSettingLanguage) == u"de" ? u"de" : u"en";
  Options options;
  std::u16string usage = ParseArguments(argc, argv, options);
  if (options.language == "de" || options.language == "en") {
    language = Utf8ToUtf16(options.language);
    LoadLanguage(language);
  }
  if (!usage.empty()) return UsageError(usage);
  if (options.help) {
    PrintHelp();
    return 0;
  }
  if (options.version) {
    PrintLine(stdout, "quadrell " QUADRELL_VERSION);
    return 0;
  }
  if (!options.language.empty() && options.language != "de" && options.language != "en") {
    return UsageError(TextWithArgument("convert:badLanguage", Utf8ToUtf16(options.language)));
  }
  int64_t sheetNumber = 0;
  if (!options.sheet.empty()) {
    bool digits = options.sheet.find_first_not_of("0123456789") == std::string::npos && options.sheet.size() <= 9;
    sheetNumber = digits ? ReadInteger(Utf8ToUtf16(options.sheet)) : 0;
    if (sheetNumber < 1) return UsageError(TextWithArgument("convert:badSheet", Utf8ToUtf16(options.sheet)));
  }
  if (options.files.size() != 2) return UsageError(Text("convert:arguments"));
  const std::string& input = options.files[0];
  const std::string& output = options.files[1];

  if (ExtensionOf(input) == ".docx") return ConvertTextDocument(input, output);
  const FileFormat* from = FormatOf(input);
  if (!from) return Fail(input, TextWithArgument("convert:unknownType", KnownExtensions()));
  if (!from->load) return Fail(input, Text("convert:writeOnly"));
  const FileFormat* to = FormatOf(output);
  if (!to || !to->save) return Fail(output, TextWithArgument("convert:unknownType", KnownExtensions()));

  PlainHost host(language);
  std::string reason;
  std::u16string damage;
  std::unique_ptr<Workbook> workbook = from->load(&host, input, &reason, &damage);
  if (!workbook || !reason.empty()) return Fail(input, Text("convert:cannotRead"), reason);

  Sheet* sheet = workbook->GetActiveSheet();
  if (sheetNumber > 0) {
    sheet = workbook->GetSheet(static_cast<int32_t>(sheetNumber - 1));
    if (!sheet) return Fail(input, TextWithArgument("convert:noSheet", Utf8ToUtf16(options.sheet)));
  }
  if (!to->save(*workbook, *sheet, output, &reason)) return Fail(output, Text("convert:cannotWrite"), reason);
  // What was recovered is written, and the damage reported: the status says the input was not whole.
  if (!damage.empty()) {
#ifndef __SANITIZE_ADDRESS__
    (void)workbook.release();
#endif
    return Fail(input, damage);
  }
#ifndef __SANITIZE_ADDRESS__
  // The process ends here: taking a million cells apart one by one only costs
  // time. (Sanitized builds free it, so their leak check stays meaningful.)
  (void)workbook.release();
#endif
  return 0;
}

}  // namespace
}  // namespace quadrell

int main(int argc, char** argv) {
  quadrell::UseLargeMemoryPages(argv);
  return quadrell::Run(argc, argv);
}
