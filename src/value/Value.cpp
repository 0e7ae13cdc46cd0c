#include "value/Value.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/Environment.h"
#include "value/Date.h"
#include "value/NumberFormat.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

const char* detail::gValueRecords = nullptr;

void ReportOutOfMemory() {
  static const char kLine[] = "quadrell: out of memory: the workbook needs more memory than this process may use\n";
  ssize_t written = write(STDERR_FILENO, kLine, sizeof kLine - 1);
  (void)written;
  std::_Exit(1);
}

namespace {

// Zeroed memory straight from the kernel, on huge pages where the kernel offers
// them: the pool is read at random, and small pages would cost a TLB miss per probe.
class LargeArray {
 public:
  explicit LargeArray(size_t bytes) : bytes_(bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
      data_ = static_cast<char*>(::operator new(bytes));
      std::memset(data_, 0, bytes);
      mapped_ = false;
    } else {
      data_ = static_cast<char*>(p);
      if (bytes >= (size_t{2} << 20)) madvise(p, bytes, MADV_HUGEPAGE);
    }
  }
  ~LargeArray() {
    if (mapped_) {
      munmap(data_, bytes_);
    } else {
      ::operator delete(data_);
    }
  }
  LargeArray(const LargeArray&) = delete;
  LargeArray& operator=(const LargeArray&) = delete;
  char* Data() const { return data_; }
  size_t Bytes() const { return bytes_; }

 private:
  size_t bytes_;
  char* data_ = nullptr;
  bool mapped_ = true;
};

// One address range reserved up front for every record, committed as it fills,
// so that a record is named by a 32-bit offset (in 4-byte units) from its start.
// Under a limit on the address space (ulimit -v) the range is what a quarter
// of the limit allows, so the rest of the program keeps room to work.
class RecordArena {
 public:
  static constexpr size_t kUnit = 4;
  static constexpr size_t kMostReserved = size_t{16} << 30;  // 2^32 units
  static constexpr size_t kLeastReserved = size_t{16} << 20;
  static constexpr size_t kCommitStep = size_t{2} << 20;

  RecordArena() {
    size_t want = kMostReserved;
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      while (want > kLeastReserved && want > limit.rlim_cur / 4) want /= 2;
    }
    void* p = MAP_FAILED;
    for (; p == MAP_FAILED && want >= kLeastReserved; want /= 2) {
      p = mmap(nullptr, want, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
      if (p != MAP_FAILED) reserved_ = want;
    }
    if (p == MAP_FAILED) ReportOutOfMemory();
    base_ = static_cast<char*>(p);
    detail::gValueRecords = base_;
    used_ = kUnit;  // offset 0 stands for "no record"
  }

  uint32_t Allocate(size_t bytes) {
    bytes = (bytes + kUnit - 1) & ~(kUnit - 1);
    if (used_ + bytes > committed_) {
      size_t target = (used_ + bytes + kCommitStep - 1) & ~(kCommitStep - 1);
      if (target > reserved_) ReportOutOfMemory();
      if (mprotect(base_ + committed_, target - committed_, PROT_READ | PROT_WRITE) != 0) ReportOutOfMemory();
      madvise(base_ + committed_, target - committed_, MADV_HUGEPAGE);
      committed_ = target;
    }
    size_t at = used_;
    used_ += bytes;
    return static_cast<uint32_t>(at / kUnit);
  }

  char* At(uint32_t ref) const { return base_ + size_t{ref} * kUnit; }
  uint32_t RefOf(const void* p) const {
    return static_cast<uint32_t>((static_cast<const char*>(p) - base_) / kUnit);
  }
  size_t Used() const { return used_; }

 private:
  char* base_ = nullptr;
  size_t reserved_ = 0;
  size_t used_ = 0;
  size_t committed_ = 0;
};

}  // namespace

// The process-wide pool: records live in one arena and are never freed; a
// table of 64-byte buckets, each holding twelve record offsets with one byte of
// their hash, finds them with one cache line read in the common case.
class ValuePool {
 public:
  static ValuePool& Instance() {
    static ValuePool* pool = new ValuePool();  // never destroyed: values outlive every holder
    return *pool;
  }

  const Value* Intern(ValueKind kind, std::u16string_view text, double number, FormatId formatId,
                      std::u16string_view link) {
    uint32_t hash = Hash(kind, text, number, formatId, link);
    uint8_t tag = static_cast<uint8_t>(hash >> 24);
    size_t mask = bucketCount_ - 1;
    size_t b = hash & mask;
    Bucket* buckets = Buckets();
    while (true) {
      Bucket& bucket = buckets[b];
      for (uint32_t i = 0; i < bucket.count; ++i) {
        if (bucket.tags[i] != tag) continue;
        const Value* v = At(bucket.refs[i]);
        if (v->kind_ == kind && v->formatId_ == formatId &&
            std::memcmp(v->numberBytes_, &number, sizeof(double)) == 0 && v->RawText() == text && v->Link() == link) {
          return v;
        }
      }
      if (bucket.count < kBucketSlots) break;
      b = (b + 1) & mask;
    }
    bool hasLink = kind == ValueKind::Hyperlink;
    uint32_t ref = arena_.Allocate(RecordBytes(text.size(), link.size(), hasLink));
    Value* v = new (arena_.At(ref)) Value();
    v->kind_ = kind;
    v->formatId_ = formatId;
    v->textLength_ = static_cast<uint32_t>(text.size());
    std::memcpy(v->numberBytes_, &number, sizeof(double));
    v->hasLink_ = hasLink;
    if (hasLink) {
      uint32_t n = static_cast<uint32_t>(link.size());
      std::memcpy(reinterpret_cast<char*>(v) + sizeof(Value), &n, sizeof n);
    }
    char16_t* chars = const_cast<char16_t*>(v->Chars());
    if (!text.empty()) std::memcpy(chars, text.data(), text.size() * sizeof(char16_t));
    if (!link.empty()) std::memcpy(chars + text.size(), link.data(), link.size() * sizeof(char16_t));
    Bucket& bucket = buckets[b];
    bucket.tags[bucket.count] = tag;
    bucket.refs[bucket.count] = ref;
    ++bucket.count;
    if (++count_ * 8 > bucketCount_ * kBucketSlots * 7) Grow();
    return v;
  }

  size_t Count() const { return count_; }
  uint32_t Reference(const Value* v) const { return v ? arena_.RefOf(v) : 0; }
  const Value* FromReference(uint32_t ref) const { return ref ? At(ref) : nullptr; }
  size_t MemoryBytes() const { return arena_.Used() + bucketCount_ * sizeof(Bucket); }

 private:
  static constexpr uint32_t kBucketSlots = 12;
  struct alignas(64) Bucket {
    uint8_t tags[kBucketSlots];
    uint32_t count;
    uint32_t refs[kBucketSlots];
  };
  static_assert(sizeof(Bucket) == 64);

  ValuePool() : bucketCount_(256), table_(std::make_unique<LargeArray>(bucketCount_ * sizeof(Bucket))) {}
  Bucket* Buckets() const { return reinterpret_cast<Bucket*>(table_->Data()); }
  const Value* At(uint32_t ref) const { return reinterpret_cast<const Value*>(arena_.At(ref)); }

  // Four characters per step.
  static uint64_t MixChars(uint64_t h, std::u16string_view chars) {
    const char16_t* p = chars.data();
    size_t n = chars.size();
    while (n >= 4) {
      uint64_t word;
      std::memcpy(&word, p, sizeof word);
      h = (h ^ word) * 0x9E3779B97F4A7C15ull;
      h ^= h >> 32;
      p += 4;
      n -= 4;
    }
    uint64_t tail = n;
    for (size_t i = 0; i < n; ++i) tail = (tail << 16) | p[i];
    h = (h ^ tail ^ (chars.size() << 56)) * 0xC2B2AE3D27D4EB4Full;
    return h;
  }

  static uint32_t Hash(ValueKind kind, std::u16string_view text, double number, FormatId formatId,
                       std::u16string_view link) {
    uint64_t bits;
    std::memcpy(&bits, &number, sizeof bits);
    uint64_t h = (bits ^ (static_cast<uint64_t>(static_cast<uint8_t>(kind)) << 56) ^
                  (static_cast<uint64_t>(static_cast<uint16_t>(formatId)) << 40)) *
                 0x9E3779B97F4A7C15ull;
    h = MixChars(h, text);
    if (!link.empty()) h = MixChars(h ^ 0x5555, link);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<uint32_t>(h);
  }

  static size_t RecordBytes(size_t textLength, size_t linkLength, bool hasLink) {
    size_t bytes = sizeof(Value) + (hasLink ? 4 : 0) + (textLength + linkLength) * sizeof(char16_t);
    return (bytes + RecordArena::kUnit - 1) & ~(RecordArena::kUnit - 1);
  }

  // Rehashes by walking the arena in order, which reads memory sequentially.
  void Grow() {
    size_t count = bucketCount_ * 2;
    auto grown = std::make_unique<LargeArray>(count * sizeof(Bucket));
    Bucket* buckets = reinterpret_cast<Bucket*>(grown->Data());
    size_t mask = count - 1;
    for (size_t at = RecordArena::kUnit; at < arena_.Used();) {
      uint32_t ref = static_cast<uint32_t>(at / RecordArena::kUnit);
      const Value* v = At(ref);
      uint32_t hash = Hash(v->kind_, v->RawText(), v->Number(), v->formatId_, v->Link());
      size_t b = hash & mask;
      while (buckets[b].count == kBucketSlots) b = (b + 1) & mask;
      Bucket& bucket = buckets[b];
      bucket.tags[bucket.count] = static_cast<uint8_t>(hash >> 24);
      bucket.refs[bucket.count] = ref;
      ++bucket.count;
      at += RecordBytes(v->textLength_, v->LinkLength(), v->hasLink_);
    }
    table_ = std::move(grown);
    bucketCount_ = count;
  }

  RecordArena arena_;
  size_t bucketCount_;
  std::unique_ptr<LargeArray> table_;
  size_t count_ = 0;
};

namespace {

// Numbers under a date or time format are rendered once before pooling, so a
// pooled record never changes: they become DateTime values holding their text.
// Dates before 1900 render as nothing and stay plain numbers with their text.
const Value* InternNumber(double number, FormatId formatId, std::u16string_view text) {
  if (IsDateTimeFormat(formatId)) {
    std::u16string rendered = FormatNumber(number, formatId);
    if (!rendered.empty() || !IsDateOnlyFormat(formatId)) {
      return ValuePool::Instance().Intern(ValueKind::DateTime, rendered, number, formatId, {});
    }
  }
  return ValuePool::Instance().Intern(ValueKind::Number, text, number, formatId, {});
}

}  // namespace

const Value* Intern(const ValueRecord& r) {
  if (r.kind == ValueKind::Number) return InternNumber(r.number, r.formatId, r.text);
  return ValuePool::Instance().Intern(r.kind, r.text, r.number, r.formatId, r.link);
}

const Value* NewText(std::u16string_view text) {
  return ValuePool::Instance().Intern(ValueKind::Text, text, 0, 0, {});
}

const Value* NewError(std::u16string_view message) {
  return ValuePool::Instance().Intern(ValueKind::Error, message, 0, 0, {});
}

const Value* NewNumber(double number, FormatId formatId) {
  char16_t buffer[64];
  std::u16string_view text;
  std::u16string long_;
  if (std::isfinite(number) && std::fabs(number) < 1e15) {
    std::string general = GeneralForm(number);
    for (size_t i = 0; i < general.size(); ++i) buffer[i] = static_cast<unsigned char>(general[i]);
    text = std::u16string_view(buffer, general.size());
  } else {
    long_ = GeneralForm16(number);
    text = long_;
  }
  return InternNumber(number, formatId, text);
}

const Value* NewHyperlink(std::u16string_view shown, std::u16string_view link) {
  return ValuePool::Instance().Intern(ValueKind::Hyperlink, shown, 0, 0, link);
}

const Value* BooleanValue(bool flag) {
  static const Value* trueValue = NewNumber(1, kFormatBoolean);
  static const Value* falseValue = NewNumber(0, kFormatBoolean);
  return flag ? trueValue : falseValue;
}

const Value* EmptyValue() {
  static const Value* empty = ValuePool::Instance().Intern(ValueKind::Empty, {}, 0, 0, {});
  return empty;
}

std::u16string_view Value::NumberText() const {
  // Kept for the rest of the process, as the records are.
  static auto* texts = new std::unordered_map<const Value*, std::u16string>();
  auto [it, added] = texts->try_emplace(this);
  if (added) it->second = GeneralForm16(Number());
  return it->second;
}

ValueRecord CopyValue(const Value* value) {
  if (!value) value = EmptyValue();
  ValueRecord r;
  r.kind = value->Kind();
  r.text = value->Text();
  r.number = value->Number();
  r.formatId = value->Format();
  r.link = value->Link();
  return r;
}

const Value* WithFormat(const Value* value, FormatId formatId) {
  if (!value) value = EmptyValue();
  if (value->Format() == formatId) return value;
  // A date or time keeps its rendered text: under another format it is
  // rendered again, so 1.2.2020 12:00 under a date-time format shows its time.
  if (value->Kind() == ValueKind::DateTime) return InternNumber(value->Number(), formatId, {});
  if (value->Kind() == ValueKind::Number && formatId != kFormatBoolean && value->Format() != kFormatBoolean &&
      IsDateTimeFormat(formatId))
    return InternNumber(value->Number(), formatId, value->RawText());
  return ValuePool::Instance().Intern(value->Kind(), value->RawText(), value->Number(), formatId, value->Link());
}

uint32_t ValueReference(const Value* value) { return ValuePool::Instance().Reference(value); }

bool IsNumberText(std::u16string_view s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && s[begin] == u' ') ++begin;
  while (end > begin && s[end - 1] == u' ') --end;
  if (begin == end) return false;
  int digits = 0;
  int points = 0;
  for (size_t i = begin; i < end; ++i) {
    char16_t c = s[i];
    if (c >= u'0' && c <= u'9') {
      ++digits;
    } else if (c == u'.') {
      ++points;
    } else if (!(c == u'-' && i == begin)) {
      return false;
    }
  }
  return digits > 0 && points <= 1;
}

namespace {

// An integer field that must print back exactly as written (no sign, no leading zeros).
bool ReadsBack(std::u16string_view field, int64_t& value) {
  value = static_cast<int16_t>(ReadInteger(field));
  std::string printed = IntegerText(value);
  if (printed.size() != field.size()) return false;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != static_cast<char16_t>(printed[i])) return false;
  }
  return true;
}

struct DateFields {
  int64_t day = 0;
  int64_t month = 0;
  int64_t year = 0;
};

bool SplitDateText(std::u16string_view s, DateFields& out) {
  int points = 0;
  for (char16_t c : s) {
    if (c == u'.') {
      ++points;
    } else if (!IsDigit(c)) {
      return false;
    }
  }
  if (points != 2) return false;
  size_t p1 = s.find(u'.');
  size_t p2 = s.find(u'.', p1 + 1);
  std::u16string_view dayField = s.substr(0, p1);
  std::u16string_view monthField = s.substr(p1 + 1, p2 - p1 - 1);
  std::u16string_view yearField = s.substr(p2 + 1);
  if (yearField.empty()) {
    out.year = CurrentLocalTime().year;
  } else {
    if (!ReadsBack(yearField, out.year)) return false;
    if (out.year < 100 && yearField.size() <= 2) out.year += 2000;
  }
  if (!ReadsBack(monthField, out.month) || !ReadsBack(dayField, out.day)) return false;
  return out.month >= 1 && out.month <= 12 && out.day >= 1 && out.day <= 31;
}

bool SplitTimeText(std::u16string_view s, int64_t& hour, int64_t& minute) {
  size_t colon = std::u16string_view::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u':') {
      if (colon != std::u16string_view::npos) return false;
      colon = i;
    } else if (!IsDigit(s[i])) {
      return false;
    }
  }
  if (colon == std::u16string_view::npos) return false;
  size_t after = s.size() - colon - 1;
  if (colon < 1 || colon > 2 || after < 1 || after > 2) return false;
  hour = ReadInteger(s.substr(0, colon));
  minute = ReadInteger(s.substr(colon + 1));
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

// True when the text is exactly what GeneralForm prints for the number: no
// spaces, no leading or trailing zeros, at most 10 decimals, and few enough
// digits that the binary number rounds back to them.
bool IsGeneralForm(std::u16string_view s, double number) {
  size_t i = 0;
  if (i < s.size() && s[i] == u'-') ++i;
  size_t integerStart = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  size_t integerDigits = i - integerStart;
  if (integerDigits == 0 || integerDigits > 15) return false;
  if (integerDigits > 1 && s[integerStart] == u'0') return false;
  size_t fractionDigits = 0;
  if (i < s.size()) {
    if (s[i] != u'.') return false;
    ++i;
    size_t fractionStart = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    fractionDigits = i - fractionStart;
    if (i != s.size() || fractionDigits == 0 || fractionDigits > 10 || s.back() == u'0') return false;
    // Below this size the error of the binary number stays under half of the tenth decimal.
    if (integerDigits + fractionDigits > 15 || !(std::fabs(number) < 450000)) return false;
  }
  return !(number == 0 && integerStart == 1);  // "-0" prints as "0"
}

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsDateText(std::u16string_view s) {
  DateFields fields;
  return SplitDateText(s, fields);
}

bool IsTimeText(std::u16string_view s) {
  int64_t h, m;
  return SplitTimeText(s, h, m);
}

const Value* ParseInput(std::u16string_view input) {
  // The comma counts as decimal separator; short inputs are converted on the stack.
  char16_t small[64];
  std::u16string large;
  char16_t* buffer = small;
  if (input.size() > std::size(small)) {
    large.assign(input);
    buffer = large.data();
  }
  for (size_t i = 0; i < input.size(); ++i) buffer[i] = input[i] == u',' ? u'.' : input[i];
  std::u16string_view s(buffer, input.size());

  if (IsNumberText(s)) {
    double number = ReadDecimal(s);
    // A number typed in its general form keeps no copy of it: the record
    // gives the same text back from the number.
    return InternNumber(number, kFormatGeneral, IsGeneralForm(s, number) ? std::u16string_view() : s);
  }
  if (!s.empty() && s.back() == u'%' && IsNumberText(s.substr(0, s.size() - 1))) {
    double p = ReadDecimal(s.substr(0, s.size() - 1));
    FormatId id = p == std::floor(p) ? kFormatPercent : kFormatPercentDecimals;
    return InternNumber(p * 0.01, id, s);
  }
  DateFields date;
  if (SplitDateText(input, date)) {
    return InternNumber(static_cast<double>(DateSerial(date.year, date.month, date.day)), kFormatDate, {});
  }
  int64_t hour, minute;
  if (SplitTimeText(input, hour, minute)) {
    return InternNumber(TimeSerial(static_cast<double>(hour), static_cast<double>(minute), 0), kFormatTime, {});
  }
  if (StartsWith(input, u"http://") || StartsWith(input, u"https://")) return NewHyperlink(input, input);
  return NewText(input);
}

const Value* ParseLiteral(std::u16string_view token) {
  if (!token.empty() && token.front() == u'"' && token.back() == u'"') {
    if (token.size() < 2) return NewText(u"");
    return NewText(token.substr(1, token.size() - 2));
  }
  return ParseInput(token);
}

bool ValuesEqual(const Value* a, const Value* b) {
  if (!a) a = EmptyValue();
  if (!b) b = EmptyValue();
  if (a->Kind() == ValueKind::Text && b->Kind() == ValueKind::Text) return a->Text() == b->Text();
  double x = a->IsNumeric() ? a->Number() : 0;
  double y = b->IsNumeric() ? b->Number() : 0;
  return x == y;
}

Complex ParseComplex(std::u16string_view input) {
  std::u16string text(input);
  for (char16_t& c : text) {
    if (c == u',') c = u'.';
  }
  double realSign = 1;
  double imaginarySign = 1;
  std::u16string_view rest = text;
  if (!rest.empty() && rest.front() == u'-') {
    realSign = -1;
    rest.remove_prefix(1);
  }
  std::u16string realText;
  std::u16string imaginaryText;
  size_t minus = rest.find(u'-');
  size_t plus = rest.find(u'+');
  if (minus != std::u16string_view::npos) {
    realText = rest.substr(0, minus);
    imaginaryText = rest.substr(minus + 1);
    imaginarySign = -1;
  } else if (plus != std::u16string_view::npos) {
    realText = rest.substr(0, plus);
    imaginaryText = rest.substr(plus + 1);
  } else if (rest.find(u'i') != std::u16string_view::npos) {
    realText = u"0";
    imaginaryText = rest;
    imaginarySign = realSign;
  } else {
    realText = rest;
    imaginaryText = u"0";
  }
  if (imaginaryText == u"i") imaginaryText = u"1i";
  std::u16string digits;
  for (char16_t c : imaginaryText) {
    if (c != u'i') digits.push_back(c);
  }
  Complex z;
  z.real = ReadDecimal(realText) * realSign;
  z.imaginary = ReadDecimal(digits) * imaginarySign;
  return z;
}

std::u16string FormatComplex(double re, double im) {
  std::u16string s;
  if (re != 0) AppendGeneralForm(s, re);
  if (im == -1) {
    s += u"-i";
  } else if (im == 1) {
    s += re == 0 ? u"i" : u"+i";
  } else if (im > 0) {
    if (re != 0) s += u'+';
    AppendGeneralForm(s, im);
    s += u'i';
  } else if (im < 0) {
    AppendGeneralForm(s, im);
    s += u'i';
  }
  if (s.empty()) s = u"0";
  return s;
}

std::u16string DisplayText(const Value* value) {
  if (!value) return {};
  if (value->Kind() != ValueKind::Number) return std::u16string(value->Text());
  return FormatNumber(value->Number(), value->Format());
}

size_t PooledValueCount() { return ValuePool::Instance().Count(); }
size_t PoolMemoryBytes() { return ValuePool::Instance().MemoryBytes(); }

}  // namespace quadrell
