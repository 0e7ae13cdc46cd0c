#pragma once
// The ZIP package and XML plumbing shared by the XLSX and DOCX readers and the
// XLSX writer: members read from a ZIP file, XML parts as element trees whose
// names are matched literally (prefixes included, namespaces never resolved),
// and a package written member by member.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct archive;

namespace quadrell {

// ---------------------------------------------------------------------------
// XML element trees

class XmlDocument;

// One element. Nodes live in their document's arena and are linked by pointers,
// so neither building, walking nor releasing a tree recurses over its depth.
class XmlNode {
 public:
  const std::string& Name() const { return name_; }
  // The character data directly inside the element (the text of a leaf element).
  const std::string& Text() const { return text_; }
  // The attribute by its name as written ("r:id"); the empty text when absent.
  std::string_view Attribute(std::string_view name) const;
  bool HasAttribute(std::string_view name) const;
  const std::vector<std::pair<std::string, std::string>>& Attributes() const { return attributes_; }

  XmlNode* FirstChild() const { return firstChild_; }
  XmlNode* NextSibling() const { return next_; }
  XmlNode* Parent() const { return parent_; }
  int ChildCount() const { return childCount_; }
  // The n-th child element, counted from 1; null when there is none.
  XmlNode* Child(int n) const;
  // The first child of the name, or null.
  XmlNode* FirstChildNamed(std::string_view name) const;
  // Descends "a/b/c" one name at a time, taking the first child of that name at
  // each step; null when a step fails.
  XmlNode* Find(std::string_view path) const;

  // Changing a tree (for writing).
  XmlNode* AppendChild(std::string_view name);
  // Keeps the order in which attributes were first set.
  XmlNode* SetAttribute(std::string_view name, std::string_view value);
  XmlNode* SetText(std::string_view text);
  void AppendText(std::string_view text) { text_.append(text); }

 private:
  friend class XmlDocument;
  friend class XmlParser;
  std::string name_;
  std::string text_;
  std::vector<std::pair<std::string, std::string>> attributes_;
  XmlDocument* document_ = nullptr;
  XmlNode* parent_ = nullptr;
  XmlNode* firstChild_ = nullptr;
  XmlNode* lastChild_ = nullptr;
  XmlNode* next_ = nullptr;
  XmlNode* previous_ = nullptr;
  int childCount_ = 0;
};

class XmlDocument {
 public:
  XmlDocument() = default;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Parses a whole document; null when it is not well-formed XML. The document's
  // own declaration decides its encoding.
  static std::unique_ptr<XmlDocument> Parse(std::string_view bytes);

  XmlNode* Root() const { return root_; }
  // The first element appended to an empty document becomes its root.
  XmlNode* AppendRoot(std::string_view name);
  // Removes the element and its subtree from the tree.
  void Delete(XmlNode* node);

  // The serialised document: the declaration (version 1.0, UTF-8), then the
  // elements, indented by two spaces per level unless `indent` is false.
  std::string Serialize(bool indent = true) const;
  void SerializeTo(std::string& out, bool indent = true) const;

 private:
  friend class XmlNode;
  friend class XmlParser;
  XmlNode* NewNode(std::string_view name);
  std::deque<XmlNode> nodes_;
  XmlNode* root_ = nullptr;
};

// Whether a name equals the literal, compared in place: the names of a
// sheet's elements and attributes are compared millions of times.
template <size_t N>
inline bool NameIs(const char* name, const char (&literal)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (name[i] != literal[i]) return false;
  }
  return true;
}

// Receives the events of an element subtree that is streamed instead of built
// into the tree (a worksheet's cells, too many to hold as nodes).
class XmlStreamHandler {
 public:
  virtual ~XmlStreamHandler() = default;
  // attributes: name, value, name, value, ..., null (expat's form, UTF-8).
  virtual void StartElement(const char* name, const char** attributes) = 0;
  virtual void EndElement(const char* name) = 0;
  virtual void CharacterData(const char* text, int length) = 0;
};

// An incremental parser: bytes are fed as they are inflated, so a member never
// has to be held whole. Entity expansion is bounded (expat's protection) and no
// external entity is ever loaded.
class XmlParser {
 public:
  // When `streamed` names a child element of the root (or several, separated
  // by '|'), that element becomes an empty node of the tree and everything
  // inside it goes to `handler`; "*" streams everything inside the root.
  explicit XmlParser(XmlDocument& document, std::string_view streamed = {}, XmlStreamHandler* handler = nullptr);
  ~XmlParser();
  XmlParser(const XmlParser&) = delete;
  XmlParser& operator=(const XmlParser&) = delete;

  // False once the input is not well-formed (or a handler stopped it, or the
  // tree passed its bounds).
  bool Feed(const char* data, size_t length, bool last);
  bool Failed() const { return failed_; }
  // For a handler that has seen too much: the parse ends as failed.
  void Stop();

  // A tree holds at most this many elements and this much text: a small
  // file of empty elements or whitespace would otherwise take gigabytes.
  static constexpr size_t kMaxTreeElements = 1000000;
  static constexpr size_t kMaxTreeText = size_t{32} << 20;

 private:
  static void OnStart(void* self, const char* name, const char** attributes);
  static void OnEnd(void* self, const char* name);
  static void OnText(void* self, const char* text, int length);
  static void OnNamespace(void* self, const char* prefix, const char* uri);
  static void OnDoctype(void* self, const char* name, const char* system, const char* publicId, int internal);
  // The name with the prefix the readers expect for its namespace.
  const char* QualifiedName(const char* expanded, std::string& buffer);
  bool IsStreamed(std::string_view name) const;

  // Buffers of the name translation, reused from element to element.
  std::string name_;
  std::vector<std::string> attributeNames_;
  const void* lastNamespace_ = nullptr;  // the known namespace of the last name
  std::vector<const char*> attributes_;
  // Namespace declarations of the next element, as the attributes that bind
  // the prefixes its tree uses, so a parsed document serializes readably.
  std::vector<std::pair<std::string, std::string>> declarations_;

  void* parser_;  // XML_Parser
  XmlDocument& document_;
  std::string streamed_;
  XmlStreamHandler* handler_;
  XmlNode* current_ = nullptr;
  int streamDepth_ = 0;  // > 0 while inside the streamed element
  size_t elements_ = 0;
  size_t textBytes_ = 0;
  // Blank text kept before an element's first child; beyond it blanks are dropped.
  static constexpr size_t kKeptBlank = 4096;
  const XmlNode* blankNode_ = nullptr;  // the element whose blank text reached kKeptBlank
  bool failed_ = false;
};

// ---------------------------------------------------------------------------
// Streaming XML output

// Writes elements straight into text, with indentation; used for big parts
// and to serialise element trees.
// Writes into the text it is given; the caller may hand that text on and
// clear it between elements, to write a long part in pieces.
class XmlWriter {
 public:
  explicit XmlWriter(std::string& out, bool indent = true);
  // Elements deeper than this (the root is depth 0) stay on their parent's line.
  void SetIndentDepth(size_t depth) { indentDepth_ = depth; }
  void Declaration();
  void Start(std::string_view name);
  void Attribute(std::string_view name, std::string_view value);
  void Text(std::string_view text);
  void End();
  // An element holding only text, in one line.
  void TextElement(std::string_view name, std::string_view text);

  static void AppendEscaped(std::string& out, std::string_view text, bool attribute);

 private:
  void CloseStartTag();
  void NewLine();
  std::string& out_;
  std::vector<std::string> open_;
  bool indent_;
  size_t indentDepth_ = SIZE_MAX;
  bool startTagOpen_ = false;
  bool hasText_ = false;  // the innermost open element holds text
  bool wrote_ = false;  // an element was started: the text may have been handed on since
};

// ---------------------------------------------------------------------------
// Handing work between threads

// A queue of at most `Depth` items from one producing thread to one consuming thread.
template <class T, size_t Depth>
class BoundedQueue {
 public:
  // Waits for room; false when the consumer stopped taking items.
  bool Push(T item) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return items_.size() < Depth || stopped_; });
    if (stopped_) return false;
    items_.push_back(std::move(item));
    changed_.notify_all();
    return true;
  }
  // The producer is done.
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }
  // The consumer wants no more.
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }
  // Waits for an item; false once the queue is closed and empty.
  bool Pop(T& item) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !items_.empty() || closed_; });
    if (items_.empty()) return false;
    item = std::move(items_.front());
    items_.pop_front();
    changed_.notify_all();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<T> items_;
  bool closed_ = false;
  bool stopped_ = false;
};

// ---------------------------------------------------------------------------
// ZIP packages

// Packages that would inflate beyond this are refused: no spreadsheet needs it
// and reading them would exhaust memory.
constexpr uint64_t kMaxPackageInflatedSize = uint64_t{4} << 30;

// Reads the members of a ZIP file in directory order, each of any size.
class PackageReader {
 public:
  // Null when the file cannot be opened as a ZIP archive, or when the members
  // it declares add up to more than kMaxPackageInflatedSize.
  static std::unique_ptr<PackageReader> Open(const std::string& path);
  // Over bytes in memory (tests and fuzzing).
  static std::unique_ptr<PackageReader> OpenMemory(std::string_view bytes);
  ~PackageReader();
  PackageReader(const PackageReader&) = delete;
  PackageReader& operator=(const PackageReader&) = delete;

  // Steps to the next member; false at the end or on a damaged archive.
  bool Next();
  // The current member's full name as stored in the directory.
  const std::string& Name() const { return name_; }
  bool IsDirectory() const { return !name_.empty() && name_.back() == '/'; }
  // The current member's bytes, all of them; false (and no bytes) when it
  // cannot be inflated, holds more than `limit` bytes, or the package's size
  // limit is passed.
  bool Read(std::string& bytes, size_t limit = SIZE_MAX);
  // Inflates the member straight into the parser.
  bool ReadInto(XmlParser& parser);
  // True after a damaged archive or a passed size limit; the load should fail.
  bool Broken() const { return broken_; }

 private:
  PackageReader() = default;
  bool Start();
  template <class Sink>
  bool Inflate(Sink&& sink);

  struct archive* archive_ = nullptr;
  std::string memory_;  // keeps OpenMemory's bytes alive
  // Members from this size on are inflated on a thread of their own.
  static constexpr uint64_t kThreadedMemberSize = uint64_t{4} << 20;
  std::string name_;
  uint64_t entrySize_ = 0;
  uint64_t inflated_ = 0;
  bool broken_ = false;
  bool dataRead_ = false;
};

// A package being written: members in the order they are added, no directory
// entries, deflate; the archive is built in memory and written in one go.
class PackageWriter {
 public:
  PackageWriter();
  ~PackageWriter();
  PackageWriter(const PackageWriter&) = delete;
  PackageWriter& operator=(const PackageWriter&) = delete;

  bool AddMember(std::string_view name, std::string_view bytes);
  // A member written piece by piece, for parts too big to assemble first; no
  // other member may be added until it ends.
  bool BeginMember(std::string_view name);
  bool AppendToMember(std::string_view bytes);
  bool EndMember();
  // The finished archive's bytes; the writer takes no more members.
  bool Finish(std::string& bytes);
  // Finishes and writes the file through a temporary file renamed over it.
  bool WriteFile(const std::string& path, std::string* reason = nullptr);

 private:
  static long OnWrite(struct archive*, void* self, const void* data, size_t length);
  // The header of a member; a size below 0 leaves it to the end of the member.
  bool StartEntry(std::string_view name, int64_t size);
  bool WriteData(std::string_view bytes);
  struct archive* archive_ = nullptr;
  std::string bytes_;
  bool failed_ = false;
  bool finished_ = false;
  bool inMember_ = false;
};

// Serialises (re-indented) and adds an element tree as a member.
bool WritePart(const XmlDocument& document, PackageWriter& package, std::string_view name);
// Adds bytes unchanged as a member.
bool WriteMedia(std::string_view bytes, PackageWriter& package, std::string_view name);

// The parsed XML members of a package being read, by full member name.
using PartMap = std::map<std::string, std::unique_ptr<XmlDocument>, std::less<>>;
// Its other members, by full name, each a private copy of the bytes.
using MediaMap = std::map<std::string, std::string, std::less<>>;

// "a/b/c.xml" -> "c.xml"
std::string_view FilePart(std::string_view path);
// "a/b.c" -> "c"; empty without a dot in the file part.
std::string_view Extension(std::string_view path);

}  // namespace quadrell
