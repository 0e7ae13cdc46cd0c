#include "loadsave/Container.h"

#include <archive.h>
#include <archive_entry.h>
#include <expat.h>

#include <cstring>
#include <thread>

#include "platform/Files.h"

namespace quadrell {

// ---------------------------------------------------------------------------
// XmlNode and XmlDocument

std::string_view XmlNode::Attribute(std::string_view name) const {
  for (const auto& [key, value] : attributes_)
    if (key == name) return value;
  return {};
}

bool XmlNode::HasAttribute(std::string_view name) const {
  for (const auto& attribute : attributes_)
    if (attribute.first == name) return true;
  return false;
}

XmlNode* XmlNode::Child(int n) const {
  if (n < 1) return nullptr;
  XmlNode* child = firstChild_;
  while (child && --n > 0) child = child->next_;
  return child;
}

XmlNode* XmlNode::FirstChildNamed(std::string_view name) const {
  for (XmlNode* child = firstChild_; child; child = child->next_)
    if (child->name_ == name) return child;
  return nullptr;
}

XmlNode* XmlNode::Find(std::string_view path) const {
  const XmlNode* node = this;
  while (!path.empty()) {
    size_t slash = path.find('/');
    std::string_view step = path.substr(0, slash);
    node = node->FirstChildNamed(step);
    if (!node) return nullptr;
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  }
  return const_cast<XmlNode*>(node);
}

XmlNode* XmlNode::AppendChild(std::string_view name) {
  XmlNode* child = document_->NewNode(name);
  child->parent_ = this;
  child->previous_ = lastChild_;
  if (lastChild_)
    lastChild_->next_ = child;
  else
    firstChild_ = child;
  lastChild_ = child;
  ++childCount_;
  return child;
}

XmlNode* XmlNode::SetAttribute(std::string_view name, std::string_view value) {
  for (auto& attribute : attributes_) {
    if (attribute.first == name) {
      attribute.second.assign(value);
      return this;
    }
  }
  attributes_.emplace_back(std::string(name), std::string(value));
  return this;
}

XmlNode* XmlNode::SetText(std::string_view text) {
  text_.assign(text);
  return this;
}

XmlNode* XmlDocument::NewNode(std::string_view name) {
  XmlNode& node = nodes_.emplace_back();
  node.name_.assign(name);
  node.document_ = this;
  return &node;
}

XmlNode* XmlDocument::AppendRoot(std::string_view name) {
  if (root_) return root_->AppendChild(name);
  root_ = NewNode(name);
  return root_;
}

void XmlDocument::Delete(XmlNode* node) {
  if (!node) return;
  if (node == root_) {
    root_ = nullptr;
    return;
  }
  XmlNode* parent = node->parent_;
  if (!parent) return;
  if (node->previous_)
    node->previous_->next_ = node->next_;
  else
    parent->firstChild_ = node->next_;
  if (node->next_)
    node->next_->previous_ = node->previous_;
  else
    parent->lastChild_ = node->previous_;
  --parent->childCount_;
  node->parent_ = node->next_ = node->previous_ = nullptr;
  // The nodes stay in the arena until the document goes.
}

std::unique_ptr<XmlDocument> XmlDocument::Parse(std::string_view bytes) {
  auto document = std::make_unique<XmlDocument>();
  XmlParser parser(*document);
  if (!parser.Feed(bytes.data(), bytes.size(), true) || !document->Root()) return nullptr;
  return document;
}

std::string XmlDocument::Serialize(bool indent) const {
  std::string out;
  SerializeTo(out, indent);
  return out;
}

void XmlDocument::SerializeTo(std::string& out, bool indent) const {
  XmlWriter writer(out, indent);
  writer.Declaration();
  const XmlNode* node = root_;
  // Depth-first without recursion: enter a node, then its children, and on the
  // way back up close each element.
  while (node) {
    writer.Start(node->Name());
    for (const auto& [name, value] : node->Attributes()) writer.Attribute(name, value);
    if (!node->Text().empty()) writer.Text(node->Text());
    if (node->FirstChild()) {
      node = node->FirstChild();
      continue;
    }
    writer.End();
    while (node != root_ && !node->NextSibling()) {
      node = node->Parent();
      writer.End();
    }
    node = node == root_ ? nullptr : node->NextSibling();
  }
}

// ---------------------------------------------------------------------------
// XmlParser

namespace {

constexpr char kNamespaceSeparator = '\x01';

struct NamespacePrefix {
  std::string_view uri;
  std::string_view prefix;  // with its colon; empty for unprefixed names
};

// The prefixes our readers match, by namespace (transitional and strict forms).
constexpr NamespacePrefix kPrefixes[] = {
    {"http://schemas.openxmlformats.org/spreadsheetml/2006/main", ""},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", "r:"},
    {"http://schemas.openxmlformats.org/package/2006/relationships", ""},
    {"http://schemas.openxmlformats.org/package/2006/content-types", ""},
    {"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing", "xdr:"},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", "a:"},
    {"http://schemas.openxmlformats.org/drawingml/2006/picture", "pic:"},
    {"http://schemas.openxmlformats.org/drawingml/2006/chart", "c:"},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", "mc:"},
    {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", "w:"},
    {"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", "wp:"},
    {"http://purl.oclc.org/ooxml/spreadsheetml/main", ""},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", "r:"},
    {"http://purl.oclc.org/ooxml/drawingml/spreadsheetDrawing", "xdr:"},
    {"http://purl.oclc.org/ooxml/drawingml/main", "a:"},
    {"http://purl.oclc.org/ooxml/wordprocessingml/main", "w:"},
    {"urn:schemas-microsoft-com:vml", "v:"},
    {"urn:schemas-microsoft-com:office:office", "o:"},
    {"urn:schemas-microsoft-com:office:excel", "x:"},
    {"http://www.w3.org/XML/1998/namespace", "xml:"},
};

const NamespacePrefix* KnownNamespace(std::string_view uri) {
  for (const NamespacePrefix& p : kPrefixes) {
    if (p.uri == uri) return &p;
  }
  return nullptr;
}

}  // namespace

const char* XmlParser::QualifiedName(const char* expanded, std::string& buffer) {
  // Most names are in the namespace of the name before: it is tried first,
  // without looking for the end of the namespace.
  const NamespacePrefix* known = static_cast<const NamespacePrefix*>(lastNamespace_);
  const char* local = nullptr;
  if (known && std::strncmp(expanded, known->uri.data(), known->uri.size()) == 0 &&
      expanded[known->uri.size()] == kNamespaceSeparator) {
    local = expanded + known->uri.size() + 1;
  } else {
    const char* first = std::strchr(expanded, kNamespaceSeparator);
    if (!first) return expanded;  // no namespace: the name as written
    local = first + 1;
    known = KnownNamespace(std::string_view(expanded, static_cast<size_t>(first - expanded)));
    if (known) lastNamespace_ = known;
  }
  const char* second = std::strchr(local, kNamespaceSeparator);
  // A name of an unprefixed namespace, written without a prefix: the local name as it stands.
  if (known && known->prefix.empty() && !second) return local;
  std::string_view localName = second ? std::string_view(local, static_cast<size_t>(second - local)) : local;
  buffer.clear();
  if (known) {
    buffer.append(known->prefix);
  } else if (second) {
    // A namespace we do not know keeps the prefix it was written with.
    buffer.append(second + 1);
    buffer.push_back(':');
  }
  buffer.append(localName);
  return buffer.c_str();
}

XmlParser::XmlParser(XmlDocument& document, std::string_view streamed, XmlStreamHandler* handler)
    : document_(document), streamed_(streamed), handler_(handler) {
  // Namespace processing: element and attribute names are matched by their
  // prefixes, and producers are free to choose prefixes (x:worksheet, no xdr:
  // on drawings), so every name is given the prefix usual for its namespace.
  XML_Parser parser = XML_ParserCreateNS(nullptr, kNamespaceSeparator);
  parser_ = parser;
  if (!parser) {
    failed_ = true;
    return;
  }
  XML_SetReturnNSTriplet(parser, 1);
  XML_SetUserData(parser, this);
  XML_SetElementHandler(parser, &XmlParser::OnStart, &XmlParser::OnEnd);
  XML_SetCharacterDataHandler(parser, &XmlParser::OnText);
  XML_SetNamespaceDeclHandler(parser, &XmlParser::OnNamespace, nullptr);
  // Never read external entities or an external DTD; internal entity expansion
  // is bounded by expat's amplification protection.
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
  // No package part has a document type declaration; one is refused with the
  // entities it could declare.
  XML_SetStartDoctypeDeclHandler(parser, &XmlParser::OnDoctype);
}

void XmlParser::OnDoctype(void* self, const char*, const char*, const char*, int) {
  static_cast<XmlParser*>(self)->Stop();
}

XmlParser::~XmlParser() {
  if (parser_) XML_ParserFree(static_cast<XML_Parser>(parser_));
}

void XmlParser::Stop() {
  if (failed_) return;
  failed_ = true;
  XML_StopParser(static_cast<XML_Parser>(parser_), XML_FALSE);
}

bool XmlParser::Feed(const char* data, size_t length, bool last) {
  if (failed_) return false;
  XML_Parser parser = static_cast<XML_Parser>(parser_);
  // expat takes int lengths; feed big blocks in pieces.
  constexpr size_t kPiece = size_t{1} << 30;
  do {
    size_t piece = length < kPiece ? length : kPiece;
    bool final = last && piece == length;
    if (XML_Parse(parser, data, static_cast<int>(piece), final ? 1 : 0) != XML_STATUS_OK || failed_) {
      failed_ = true;
      return false;
    }
    data += piece;
    length -= piece;
  } while (length > 0);
  return true;
}

void XmlParser::OnStart(void* self, const char* expandedName, const char** expandedAttributes) {
  auto* p = static_cast<XmlParser*>(self);
  const char* name = p->QualifiedName(expandedName, p->name_);
  size_t count = 0;
  while (expandedAttributes[2 * count]) ++count;
  if (p->attributeNames_.size() < count) p->attributeNames_.resize(count);
  p->attributes_.resize(2 * count + 1);
  for (size_t i = 0; i < count; ++i) {
    p->attributes_[2 * i] = p->QualifiedName(expandedAttributes[2 * i], p->attributeNames_[i]);
    p->attributes_[2 * i + 1] = expandedAttributes[2 * i + 1];
  }
  p->attributes_[2 * count] = nullptr;
  const char** attributes = p->attributes_.data();
  if (p->streamDepth_ > 0) {
    ++p->streamDepth_;
    p->handler_->StartElement(name, attributes);
    return;
  }
  if (++p->elements_ > kMaxTreeElements) {
    p->Stop();
    return;
  }
  // Only leaf elements keep their text: the layout between elements is dropped.
  if (p->current_ && !p->current_->firstChild_ && !p->current_->text_.empty()) {
    p->textBytes_ -= p->current_->text_.size();
    std::string().swap(p->current_->text_);
  }
  XmlNode* node = p->current_ ? p->current_->AppendChild(name) : p->document_.AppendRoot(name);
  node->attributes_.reserve(8);
  for (const char** a = attributes; a[0]; a += 2) node->attributes_.emplace_back(a[0], a[1]);
  for (auto& [attribute, uri] : p->declarations_) {
    if (!node->HasAttribute(attribute)) node->attributes_.emplace_back(std::move(attribute), std::move(uri));
  }
  p->declarations_.clear();
  p->current_ = node;
  if (!p->handler_) return;
  bool everything = p->streamed_ == "*" && node == p->document_.root_;
  if (everything || (node->parent_ && node->parent_ == p->document_.root_ && p->IsStreamed(node->name_)))
    p->streamDepth_ = 1;
}

bool XmlParser::IsStreamed(std::string_view name) const {
  std::string_view names = streamed_;
  while (!names.empty()) {
    size_t bar = names.find('|');
    if (names.substr(0, bar) == name) return true;
    if (bar == std::string_view::npos) break;
    names.remove_prefix(bar + 1);
  }
  return false;
}

void XmlParser::OnNamespace(void* self, const char* prefix, const char* uri) {
  auto* p = static_cast<XmlParser*>(self);
  if (p->streamDepth_ > 0 || !uri || !*uri) return;
  std::string_view namespaceUri(uri);
  std::string attribute = "xmlns";
  const NamespacePrefix* known = KnownNamespace(namespaceUri);
  if (known && known->prefix == "xml:") return;  // bound without a declaration
  if (known && !known->prefix.empty()) {
    attribute.push_back(':');
    attribute.append(known->prefix.substr(0, known->prefix.size() - 1));
  }
  if (!known && prefix && *prefix) {
    attribute.push_back(':');
    attribute.append(prefix);
  }
  p->declarations_.emplace_back(std::move(attribute), std::string(namespaceUri));
}

void XmlParser::OnEnd(void* self, const char* expandedName) {
  auto* p = static_cast<XmlParser*>(self);
  if (p->streamDepth_ > 1) {
    --p->streamDepth_;
    p->handler_->EndElement(p->QualifiedName(expandedName, p->name_));
    return;
  }
  p->streamDepth_ = 0;
  if (p->current_) p->current_ = p->current_->parent_;
}

void XmlParser::OnText(void* self, const char* text, int length) {
  auto* p = static_cast<XmlParser*>(self);
  if (p->streamDepth_ > 1) {
    p->handler_->CharacterData(text, length);
    return;
  }
  if (p->streamDepth_ == 1 || !p->current_ || p->current_->firstChild_ || p->failed_) return;
  // Layout before an element's first child: a few kilobytes of it are kept
  // (they may yet be a leaf's text), the rest is dropped.
  std::string_view piece(text, static_cast<size_t>(length));
  constexpr std::string_view kBlank = " \t\r\n";
  if (p->current_ == p->blankNode_ && piece.find_first_not_of(kBlank) == std::string_view::npos) return;
  size_t kept = p->current_->text_.size();
  if (p->current_ != p->blankNode_ && kept + piece.size() > kKeptBlank &&
      piece.find_first_not_of(kBlank) == std::string_view::npos &&
      p->current_->text_.find_first_not_of(kBlank) == std::string::npos) {
    piece = piece.substr(0, kept < kKeptBlank ? kKeptBlank - kept : 0);
    p->blankNode_ = p->current_;
  } else if (p->current_ == p->blankNode_) {
    p->blankNode_ = nullptr;
  }
  length = static_cast<int>(piece.size());
  p->textBytes_ += static_cast<size_t>(length);
  if (p->textBytes_ > kMaxTreeText) {
    p->Stop();
    return;
  }
  p->current_->text_.append(text, static_cast<size_t>(length));
}

// ---------------------------------------------------------------------------
// XmlWriter

XmlWriter::XmlWriter(std::string& out, bool indent) : out_(out), indent_(indent) {}

void XmlWriter::Declaration() { out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"; }

void XmlWriter::NewLine() {
  if (!indent_ || open_.size() > indentDepth_) return;
  out_ += '\n';
  out_.append(open_.size() * 2, ' ');
}

void XmlWriter::CloseStartTag() {
  if (startTagOpen_) {
    out_ += '>';
    startTagOpen_ = false;
  }
}

void XmlWriter::Start(std::string_view name) {
  CloseStartTag();
  if (wrote_ || !out_.empty()) NewLine();
  wrote_ = true;
  out_ += '<';
  out_.append(name);
  open_.emplace_back(name);
  startTagOpen_ = true;
  hasText_ = false;
}

void XmlWriter::Attribute(std::string_view name, std::string_view value) {
  out_ += ' ';
  out_.append(name);
  out_ += "=\"";
  AppendEscaped(out_, value, true);
  out_ += '"';
}

void XmlWriter::Text(std::string_view text) {
  CloseStartTag();
  AppendEscaped(out_, text, false);
  hasText_ = true;
}

void XmlWriter::End() {
  if (open_.empty()) return;
  if (startTagOpen_) {
    out_ += "/>";
    startTagOpen_ = false;
  } else {
    std::string name = std::move(open_.back());
    open_.pop_back();
    // The closing tag gets a line of its own when the children had theirs.
    if (!hasText_ && open_.size() < indentDepth_) NewLine();
    out_ += "</";
    out_ += name;
    out_ += '>';
    hasText_ = false;
    return;
  }
  open_.pop_back();
  hasText_ = false;
}

void XmlWriter::TextElement(std::string_view name, std::string_view text) {
  Start(name);
  Text(text);
  End();
}

void XmlWriter::AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  static const char kHex[] = "0123456789ABCDEF";
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    const char* replacement = nullptr;
    char control[8];
    switch (c) {
      case '&': replacement = "&amp;"; break;
      case '<': replacement = "&lt;"; break;
      case '>': replacement = "&gt;"; break;
      case '"': replacement = attribute ? "&quot;" : nullptr; break;
      case '\r': replacement = "&#13;"; break;
      case '\n': replacement = attribute ? "&#10;" : nullptr; break;
      case '\t': replacement = attribute ? "&#9;" : nullptr; break;
      default:
        if (c < 0x20) {
          // XML 1.0 cannot carry these characters at all; spreadsheets write them
          // in the _xHHHH_ form, which their readers (ours too) turn back.
          std::memcpy(control, "_x00", 4);
          control[4] = kHex[c >> 4];
          control[5] = kHex[c & 15];
          control[6] = '_';
          control[7] = 0;
          replacement = control;
        }
    }
    if (!replacement) continue;
    out.append(text.substr(start, i - start));
    out += replacement;
    start = i + 1;
  }
  out.append(text.substr(start));
}

// ---------------------------------------------------------------------------
// PackageReader

namespace {

struct archive* NewZipReader() {
  struct archive* a = archive_read_new();
  if (!a) return nullptr;
  archive_read_support_format_zip(a);
  return a;
}

bool OpenArchive(struct archive* a, const std::string* path, std::string_view memory) {
  int status = path ? archive_read_open_filename(a, path->c_str(), 1 << 16)
                    : archive_read_open_memory(a, memory.data(), memory.size());
  return status == ARCHIVE_OK;
}

// Walks the directory once, adding up what the members say they inflate to.
bool DeclaredSizeAcceptable(const std::string* path, std::string_view memory) {
  struct archive* a = NewZipReader();
  if (!a) return false;
  bool ok = OpenArchive(a, path, memory);
  uint64_t total = 0;
  bool any = false;
  struct archive_entry* entry;
  while (ok) {
    int status = archive_read_next_header(a, &entry);
    if (status == ARCHIVE_EOF) break;
    if (status < ARCHIVE_WARN) {
      // A file that is no ZIP at all fails on its first header; damage further
      // on shows again while reading and is handled there.
      ok = any;
      break;
    }
    any = true;
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0)
      total += static_cast<uint64_t>(archive_entry_size(entry));
    if (total > kMaxPackageInflatedSize) ok = false;
  }
  archive_read_free(a);
  return ok;
}

}  // namespace

std::unique_ptr<PackageReader> PackageReader::Open(const std::string& path) {
  if (!DeclaredSizeAcceptable(&path, {})) return nullptr;
  std::unique_ptr<PackageReader> reader(new PackageReader());
  reader->archive_ = NewZipReader();
  if (!reader->archive_ || !OpenArchive(reader->archive_, &path, {})) return nullptr;
  return reader;
}

std::unique_ptr<PackageReader> PackageReader::OpenMemory(std::string_view bytes) {
  std::unique_ptr<PackageReader> reader(new PackageReader());
  reader->memory_.assign(bytes);
  if (!DeclaredSizeAcceptable(nullptr, reader->memory_)) return nullptr;
  reader->archive_ = NewZipReader();
  if (!reader->archive_ || !OpenArchive(reader->archive_, nullptr, reader->memory_)) return nullptr;
  return reader;
}

PackageReader::~PackageReader() {
  if (archive_) archive_read_free(archive_);
}

bool PackageReader::Next() {
  if (broken_) return false;
  struct archive_entry* entry;
  int status = archive_read_next_header(archive_, &entry);
  if (status == ARCHIVE_EOF) return false;
  if (status < ARCHIVE_WARN) {
    broken_ = true;
    return false;
  }
  const char* name = archive_entry_pathname_utf8(entry);
  if (!name) name = archive_entry_pathname(entry);
  name_ = name ? name : "";
  entrySize_ = archive_entry_size_is_set(entry) ? static_cast<uint64_t>(archive_entry_size(entry)) : 0;
  dataRead_ = false;
  return true;
}

template <class Sink>
bool PackageReader::Inflate(Sink&& sink) {
  if (broken_ || dataRead_) return false;
  dataRead_ = true;
  while (true) {
    const void* block;
    size_t size;
    la_int64_t offset;
    int status = archive_read_data_block(archive_, &block, &size, &offset);
    if (status == ARCHIVE_EOF) return true;
    if (status < ARCHIVE_WARN) {
      broken_ = true;
      return false;
    }
    inflated_ += size;
    if (inflated_ > kMaxPackageInflatedSize) {
      broken_ = true;
      return false;
    }
    if (size > 0 && !sink(static_cast<const char*>(block), size)) return false;
  }
}

bool PackageReader::Read(std::string& bytes, size_t limit) {
  bytes.clear();
  bool fits = true;
  bool read = Inflate([&](const char* data, size_t size) {
    if (size > limit - bytes.size()) {
      fits = false;
      return false;
    }
    bytes.append(data, size);
    return true;
  });
  if (!fits) std::string().swap(bytes);
  return read && fits;
}

namespace {

// Blocks handed from the inflating thread to the parsing one; emptied blocks
// go back, so big buffers are not allocated anew.
class BlockQueue : public BoundedQueue<std::string, 4> {
 public:
  void Recycle(std::string block) {
    block.clear();
    std::lock_guard lock(spareMutex_);
    if (spare_.size() < 4) spare_.push_back(std::move(block));
  }
  std::string Recycled() {
    std::lock_guard lock(spareMutex_);
    if (spare_.empty()) return {};
    std::string block = std::move(spare_.back());
    spare_.pop_back();
    return block;
  }

 private:
  std::mutex spareMutex_;
  std::vector<std::string> spare_;
};

}  // namespace

bool PackageReader::ReadInto(XmlParser& parser) {
  // A big member is inflated on a second thread while this one parses.
  if (entrySize_ < kThreadedMemberSize) {
    bool ok = Inflate([&](const char* data, size_t size) { return parser.Feed(data, size, false); });
    return parser.Feed("", 0, true) && ok;
  }
  BlockQueue queue;
  bool inflated = false;
  constexpr size_t kBlock = size_t{1} << 18;
  std::thread inflater([&] {
    std::string pending;
    pending.reserve(kBlock * 2);
    inflated = Inflate([&](const char* data, size_t size) {
      pending.append(data, size);
      if (pending.size() < kBlock) return true;
      bool more = queue.Push(std::move(pending));
      pending = queue.Recycled();
      pending.reserve(kBlock * 2);
      return more;
    });
    if (inflated && !pending.empty()) inflated = queue.Push(std::move(pending));
    queue.Close();
  });
  bool parsed = true;
  std::string block;
  while (queue.Pop(block)) {
    if (parsed && !parser.Feed(block.data(), block.size(), false)) {
      parsed = false;
      queue.Stop();
    }
    queue.Recycle(std::move(block));
  }
  inflater.join();
  return parser.Feed("", 0, true) && parsed && inflated;
}

// ---------------------------------------------------------------------------
// PackageWriter

PackageWriter::PackageWriter() {
  archive_ = archive_write_new();
  if (!archive_) {
    failed_ = true;
    return;
  }
  archive_write_set_format_zip(archive_);
  archive_write_zip_set_compression_deflate(archive_);
  // The fastest deflate: the big worksheet parts dominate save time, and
  // stronger levels gain only about a tenth in size on this XML.
  archive_write_set_options(archive_, "zip:compression-level=1");
  // A member written in pieces has no size in its header; without this it
  // would carry ZIP64 fields, which parts of this size do not need and older
  // readers do not know.
  archive_write_set_options(archive_, "zip:!zip64");
  archive_write_set_bytes_per_block(archive_, 1 << 16);
  archive_write_set_bytes_in_last_block(archive_, 1);
  if (archive_write_open2(archive_, this, nullptr, &PackageWriter::OnWrite, nullptr, nullptr) != ARCHIVE_OK)
    failed_ = true;
}

PackageWriter::~PackageWriter() {
  if (archive_) archive_write_free(archive_);
}

long PackageWriter::OnWrite(struct archive*, void* self, const void* data, size_t length) {
  static_cast<PackageWriter*>(self)->bytes_.append(static_cast<const char*>(data), length);
  return static_cast<long>(length);
}

bool PackageWriter::StartEntry(std::string_view name, int64_t size) {
  if (failed_ || finished_ || inMember_) return false;
  // A member needs a name; libarchive also loses memory on the failed header.
  if (name.empty() || name.find('\0') != std::string_view::npos) {
    failed_ = true;
    return false;
  }
  struct archive_entry* entry = archive_entry_new();
  std::string path(name);
  archive_entry_set_pathname_utf8(entry, path.c_str());
  archive_entry_set_filetype(entry, AE_IFREG);
  archive_entry_set_perm(entry, 0644);
  if (size >= 0) archive_entry_set_size(entry, static_cast<la_int64_t>(size));
  // The ZIP epoch, as other spreadsheet programs write; keeps output reproducible.
  archive_entry_set_mtime(entry, 315532800, 0);
  bool ok = archive_write_header(archive_, entry) == ARCHIVE_OK;
  archive_entry_free(entry);
  if (!ok) failed_ = true;
  return ok;
}

bool PackageWriter::WriteData(std::string_view bytes) {
  size_t written = 0;
  while (!failed_ && written < bytes.size()) {
    la_ssize_t n = archive_write_data(archive_, bytes.data() + written, bytes.size() - written);
    if (n <= 0) failed_ = true;
    else written += static_cast<size_t>(n);
  }
  return !failed_;
}

bool PackageWriter::AddMember(std::string_view name, std::string_view bytes) {
  if (!StartEntry(name, static_cast<int64_t>(bytes.size())) || !WriteData(bytes)) return false;
  if (archive_write_finish_entry(archive_) != ARCHIVE_OK) failed_ = true;
  return !failed_;
}

bool PackageWriter::BeginMember(std::string_view name) {
  if (!StartEntry(name, -1)) return false;
  inMember_ = true;
  return true;
}

bool PackageWriter::AppendToMember(std::string_view bytes) { return inMember_ && WriteData(bytes); }

bool PackageWriter::EndMember() {
  if (!inMember_) return false;
  inMember_ = false;
  if (!failed_ && archive_write_finish_entry(archive_) != ARCHIVE_OK) failed_ = true;
  return !failed_;
}

bool PackageWriter::Finish(std::string& bytes) {
  if (!finished_) {
    finished_ = true;
    if (inMember_) failed_ = true;
    if (!failed_ && archive_write_close(archive_) != ARCHIVE_OK) failed_ = true;
  }
  if (failed_) return false;
  bytes = std::move(bytes_);
  bytes_.clear();
  return true;
}

bool PackageWriter::WriteFile(const std::string& path, std::string* reason) {
  std::string bytes;
  if (!Finish(bytes)) {
    if (reason) *reason = "the package could not be built";
    return false;
  }
  return WriteFileAtomically(path, bytes, reason);
}

bool WritePart(const XmlDocument& document, PackageWriter& package, std::string_view name) {
  std::string text;
  document.SerializeTo(text, true);
  return package.AddMember(name, text);
}

bool WriteMedia(std::string_view bytes, PackageWriter& package, std::string_view name) {
  return package.AddMember(name, bytes);
}

std::string_view FilePart(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view Extension(std::string_view path) {
  std::string_view file = FilePart(path);
  size_t dot = file.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : file.substr(dot + 1);
}

}  // namespace quadrell
