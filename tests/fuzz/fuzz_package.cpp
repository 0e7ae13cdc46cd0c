// The ZIP and XML layer on arbitrary bytes: open, inflate every member, parse
// it as a tree and streamed, write it again, and decode it as a picture.
#include <cstddef>
#include <cstdint>
#include <string>

#include "loadsave/Container.h"
#include "object/ImageCodec.h"

namespace {

struct Counter : quadrell::XmlStreamHandler {
  size_t events = 0;
  void StartElement(const char*, const char**) override { ++events; }
  void EndElement(const char*) override { ++events; }
  void CharacterData(const char*, int) override { ++events; }
};

void Exercise(std::string_view bytes) {
  if (auto document = quadrell::XmlDocument::Parse(bytes)) {
    std::string again = document->Serialize();
    if (!quadrell::XmlDocument::Parse(again)) __builtin_trap();  // what we write must read back
    if (document->Root()) (void)document->Root()->Find("a/b");
  }
  quadrell::XmlDocument streamedTree;
  Counter counter;
  quadrell::XmlParser parser(streamedTree, "sheetData", &counter);
  parser.Feed(bytes.data(), bytes.size(), true);
  (void)quadrell::DecodeImage(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Exercise(bytes);
  auto reader = quadrell::PackageReader::OpenMemory(bytes);
  if (!reader) return 0;
  std::string member;
  while (reader->Next()) {
    if (reader->Read(member)) Exercise(member);
  }
  return 0;
}
