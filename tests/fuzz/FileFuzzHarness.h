#pragma once
// The file readers on arbitrary bytes: delimited text, the ZIP and XML layer,
// and the XLSX import with the export of whatever it loaded. Each returns
// false where what was read or written breaks a promise (the fuzz targets
// trap then). Shared by the fuzz targets and the test that replays what they
// found.
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/Document.h"
#include "loadsave/Container.h"
#include "loadsave/DocumentExport.h"
#include "loadsave/LoadSaveDocx.h"
#include "loadsave/LoadSaveCsvTsv.h"
#include "loadsave/LoadSaveXlsx.h"
#include "loadsave/SavePdf.h"
#include "model/Cell.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/ImageCodec.h"

namespace quadrell::fuzz {

inline std::string_view BytesOf(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// The input goes through the same entry a user's file takes: a file on disk
// read by the real reader. One file per process and type, rewritten each run.
inline std::string ScratchFile(std::string_view extension) {
  return "/tmp/quadrell-fuzz-" + std::to_string(::getpid()) + std::string(extension);
}

inline bool WriteScratch(const std::string& path, std::string_view bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

// Every written CSV field reads back as the text it was written from, as long
// as the first read gave plain texts that read back as themselves.
inline bool CsvRoundTrips(Sheet& sheet) {
  std::string path = ScratchFile(".back.csv");
  if (!SaveCsv(sheet, path)) return false;
  std::unique_ptr<Workbook> back = LoadCsv(nullptr, path);
  Sheet& other = *back->GetActiveSheet();
  for (int32_t r = 1; r <= sheet.GetMaxRow(); ++r) {
    Row* row = sheet.FindRow(r);
    if (!row) continue;
    for (int32_t c = 0; c <= row->GetLastColumn(); ++c) {
      Cell* cell = row->FindCell(c);
      if (!cell) continue;
      std::u16string text = cell->GetText();
      if (cell->GetValue()->Kind() != ValueKind::Text || cell->HasFormula()) continue;
      // A byte-order mark at the very start of a file is no text of its.
      if (r == 1 && c == 0 && !text.empty() && text[0] == 0xFEFF) continue;
      if (text.empty() || text[0] == u'=' || text.find_first_of(u"0123456789") != std::u16string::npos) continue;
      if (other.GetCellText(r, c) != text) return false;
    }
  }
  return true;
}

inline bool RunCsvInput(const uint8_t* data, size_t size) {
  std::string_view text = BytesOf(data, size);
  std::string csv = ScratchFile(".csv"), tsv = ScratchFile(".tsv");
  if (!WriteScratch(csv, text) || !WriteScratch(tsv, text)) return true;
  {
    std::unique_ptr<Workbook> workbook = LoadCsv(nullptr, csv);
    if (!CsvRoundTrips(*workbook->GetActiveSheet())) return false;
    SaveTsv(*workbook->GetActiveSheet(), ScratchFile(".out.tsv"));
  }
  std::unique_ptr<Workbook> workbook = LoadTsv(nullptr, tsv);
  SaveCsv(*workbook->GetActiveSheet(), ScratchFile(".out.csv"));
  return true;
}

struct XmlEventCounter : XmlStreamHandler {
  size_t events = 0;
  void StartElement(const char*, const char**) override { ++events; }
  void EndElement(const char*) override { ++events; }
  void CharacterData(const char*, int) override { ++events; }
};

// One member: parsed as a tree and streamed, written again, decoded as a picture.
inline bool ExerciseMember(std::string_view bytes) {
  if (auto document = XmlDocument::Parse(bytes)) {
    if (!XmlDocument::Parse(document->Serialize())) return false;  // what we write must read back
    if (document->Root()) (void)document->Root()->Find("a/b");
  }
  XmlDocument streamedTree;
  XmlEventCounter counter;
  XmlParser parser(streamedTree, "sheetData", &counter);
  parser.Feed(bytes.data(), bytes.size(), true);
  (void)DecodeImage(bytes);
  return true;
}

// The bytes as a package file: open, inflate every member and exercise it.
inline bool RunPackageInput(const uint8_t* data, size_t size) {
  std::string_view bytes = BytesOf(data, size);
  if (!ExerciseMember(bytes)) return false;
  std::string path = ScratchFile(".zip");
  if (!WriteScratch(path, bytes)) return true;
  auto reader = PackageReader::Open(path);
  if (!reader) return true;
  std::string member;
  while (reader->Next()) {
    if (reader->Read(member) && !ExerciseMember(member)) return false;
  }
  return true;
}

// Input that is no ZIP file is read as the members of a package to build, so
// the XML parts themselves get mutated: "name\n" then the content, members
// separated by a zero byte.
inline std::string PackageOf(std::string_view text) {
  PackageWriter writer;
  while (!text.empty()) {
    size_t end = text.find('\0');
    std::string_view member = text.substr(0, end);
    size_t newline = member.find('\n');
    if (newline != std::string_view::npos) writer.AddMember(member.substr(0, newline), member.substr(newline + 1));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  std::string bytes;
  writer.Finish(bytes);
  return bytes;
}

inline bool RunXlsxInput(const uint8_t* data, size_t size) {
  std::string_view bytes = BytesOf(data, size);
  std::string built;
  if (bytes.substr(0, 2) != "PK") {
    built = PackageOf(bytes);
    bytes = built;
  }
  std::string path = ScratchFile(".xlsx");
  if (!WriteScratch(path, bytes)) return true;
  auto book = LoadXlsx(path, nullptr);
  if (!book) return true;
  std::string saved = ScratchFile(".back.xlsx");
  if (!SaveXlsx(*book, saved)) return false;
  // What we write must read again.
  if (!LoadXlsx(saved, nullptr)) return false;
  // Printing refuses sheets beyond its page limit itself.
  SavePdf(book->GetActiveSheet(), ScratchFile(".pdf"));
  return true;
}

// The DOCX import through a file; what it read is laid out, written and must
// read back with the same text.
inline bool RunDocxInput(const uint8_t* data, size_t size) {
  std::string_view bytes = BytesOf(data, size);
  std::string built;
  if (bytes.substr(0, 2) != "PK") {
    built = PackageOf(bytes);
    bytes = built;
  }
  std::string path = ScratchFile(".docx");
  if (!WriteScratch(path, bytes)) return true;
  std::unique_ptr<Document> document = LoadDocx(path);
  if (!document) return true;
  document->Layout();
  if (document->Pages().empty()) return false;
  std::string saved = ScratchFile(".back.docx");
  if (!SaveDocx(*document, saved)) return false;
  std::unique_ptr<Document> back = LoadDocx(saved);
  if (!back || back->PlainText() != document->PlainText()) return false;
  DocumentPdfBytes(*document);
  return true;
}

}  // namespace quadrell::fuzz
