#include "loadsave/LoadSaveCsvTsv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <thread>

#include "context/ApplicationContext.h"
#include "loadsave/Container.h"
#include "model/Cell.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "model/Workbook.h"
#include "platform/Files.h"
#include "value/NumberFormat.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

// Lines of a text in memory or of a file read in pieces, so a large file
// never has to be held whole. A line ends at CR, LF or CR LF; a line end
// at the very end of the input starts no further line.
class LineSource {
 public:
  explicit LineSource(std::string_view text) : view_(text) {}
  explicit LineSource(int fd) : fd_(fd) {}

  // The next line without its end; the end itself ("" at the end of the input).
  bool Next(std::string& line, std::string_view& ending) {
    line.clear();
    bool any = false;
    while (true) {
      size_t at = view_.find_first_of("\r\n", position_);
      if (at == std::string_view::npos) {
        if (position_ < view_.size()) any = true;
        line.append(view_.substr(position_));
        position_ = view_.size();
        if (!Fill()) {
          ending = {};
          return any;
        }
        continue;
      }
      line.append(view_.substr(position_, at - position_));
      if (view_[at] == '\n') {
        position_ = at + 1;
        ending = "\n";
        return true;
      }
      if (at + 1 == view_.size()) {
        // A CR at the end of what was read: the LF of a CR LF may follow.
        // Reading more moves the unread rest (from the CR) to the front.
        position_ = at;
        if (Fill()) continue;
        position_ += 1;
        ending = "\r";
        return true;
      }
      bool crlf = view_[at + 1] == '\n';
      position_ = at + (crlf ? 2 : 1);
      ending = crlf ? std::string_view("\r\n") : std::string_view("\r");
      return true;
    }
  }

  int Error() const { return error_; }

 private:
  // Keeps what is not yet consumed and reads more; false at the end.
  bool Fill() {
    if (fd_ < 0 || done_) return false;
    buffer_.erase(0, position_);
    position_ = 0;
    size_t kept = buffer_.size();
    buffer_.resize(kept + kChunk);
    ssize_t n;
    do {
      n = ::read(fd_, buffer_.data() + kept, kChunk);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
      if (n < 0) error_ = errno;
      done_ = true;
      buffer_.resize(kept);
      view_ = buffer_;
      return false;
    }
    buffer_.resize(kept + static_cast<size_t>(n));
    view_ = buffer_;
    return true;
  }

  static constexpr size_t kChunk = 1 << 20;
  int fd_ = -1;
  bool done_ = false;
  int error_ = 0;
  std::string buffer_;
  std::string_view view_;
  size_t position_ = 0;
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A mark written by other programs is no part of the first field.
void DropByteOrderMark(std::string& line) {
  if (std::string_view(line).substr(0, 3) == kByteOrderMark) line.erase(0, 3);
}

// The line loop of both readers: each line of the source fills the next row
// of the sheet. fill(row, line) may take further lines from the reading for
// a record that goes on over a line end.
struct Reading {
  LineSource& source;
  std::string raw;
  std::string_view ending;
  std::u16string line;
  bool beyondGrid = false;  // a line or a field lay beyond the sheet's grid

  bool NextLine() {
    if (!source.Next(raw, ending)) return false;
    line = Utf8ToUtf16(raw);
    return true;
  }
};

// Lines and fields beyond the grid are not read; true when there were any.
template <typename Fill>
bool ReadRows(LineSource& source, Sheet& sheet, Fill fill) {
  DeferredRecalculation deferred;
  Reading reading{source, {}, {}, {}};
  int32_t rowNumber = 1;
  for (bool first = true; reading.source.Next(reading.raw, reading.ending); first = false) {
    if (rowNumber > kSheetRows) return true;
    if (first) DropByteOrderMark(reading.raw);
    reading.line = Utf8ToUtf16(reading.raw);
    fill(sheet.GetRow(rowNumber++), reading);
  }
  return reading.beyondGrid;
}

// The field for the column, or nothing beyond the grid.
void SetField(Row* row, int32_t column, std::u16string_view text, Reading& reading) {
  if (column >= kSheetColumns) {
    reading.beyondGrid = reading.beyondGrid || !text.empty();
    return;
  }
  row->GetCell(column)->SetInput(text);
}

// Fields are separated by ";". A field that opens with a double quote is
// quoted: a doubled quote stands for one, the next lone quote closes it, and
// line ends inside it belong to the text (so a written cell with a line
// break reads back whole); a field whose closing quote never comes runs to
// the end of the input. A quote later in a field quotes the rest of its line
// the same way, after the characters before it. Characters between a
// closing quote and the next ";" are kept.
void FillCsvRow(Row* row, Reading& reading) {
  const std::u16string* line = &reading.line;
  std::u16string field;
  int32_t column = 0;
  size_t p = 0;
  size_t fieldStart = 0;
  while (true) {
    if (p >= line->size()) {
      SetField(row, column, field, reading);
      return;
    }
    char16_t c = (*line)[p];
    if (c == u';') {
      SetField(row, column++, field, reading);
      field.clear();
      fieldStart = ++p;
      continue;
    }
    if (c != u'"') {
      field += c;
      ++p;
      continue;
    }
    const bool opening = p == fieldStart;
    ++p;
    while (true) {
      if (p >= line->size()) {
        if (!opening || reading.ending.empty()) break;
        std::u16string_view lineEnd = reading.ending == "\r\n" ? u"\r\n" : (reading.ending == "\r" ? u"\r" : u"\n");
        if (!reading.NextLine()) break;
        field += lineEnd;
        p = 0;
        continue;
      }
      if ((*line)[p] == u'"') {
        if (p + 1 < line->size() && (*line)[p + 1] == u'"') {
          field += u'"';
          p += 2;
          continue;
        }
        ++p;  // the closing quote
        break;
      }
      field += (*line)[p++];
    }
  }
}

bool ReadCsvLines(LineSource& source, Sheet& sheet) { return ReadRows(source, sheet, FillCsvRow); }

// Fields are separated by tabs; nothing is quoted.
bool ReadTsvLines(LineSource& source, Sheet& sheet) {
  return ReadRows(source, sheet, [](Row* row, Reading& reading) {
    std::u16string_view line = reading.line;
    int32_t column = 0;
    size_t start = 0;
    while (true) {
      size_t tab = line.find(u'\t', start);
      SetField(row, column++, line.substr(start, tab == std::u16string_view::npos ? tab : tab - start), reading);
      if (tab == std::u16string_view::npos) return;
      start = tab + 1;
    }
  });
}

using Reader = bool (*)(LineSource&, Sheet&);

std::unique_ptr<Workbook> Load(Host* host, const std::string& fileName, std::string* error, std::u16string* damage,
                               Reader read) {
  if (damage) damage->clear();
  auto workbook = std::make_unique<Workbook>(Utf8ToUtf16(fileName), host);
  auto fail = [&](int code) {
    if (error) *error = std::strerror(code);
    return std::move(workbook);
  };
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  struct stat st;
  int code = ::fstat(fd, &st) != 0 ? errno : (S_ISDIR(st.st_mode) ? EISDIR : 0);
  if (code != 0) {
    ::close(fd);
    return fail(code);
  }
  LineSource source(fd);
  if (read(source, *workbook->GetActiveSheet()) && damage) *damage = Text("loadBeyondGrid");
  ::close(fd);
  if (source.Error() != 0) return fail(source.Error());
  if (error) error->clear();
  return workbook;
}

// Appends UTF-16 text as UTF-8; plain ASCII (the common case) directly.
void AppendUtf8(std::string& out, std::u16string_view text) {
  char ascii[64];
  if (text.size() > sizeof ascii) {
    out += Utf16ToUtf8(text);
    return;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0x80) {
      out += Utf16ToUtf8(text);
      return;
    }
    ascii[i] = static_cast<char>(text[i]);
  }
  out.append(ascii, text.size());
}

void AppendCsvField(std::string& out, std::u16string_view text) {
  if (text.find_first_of(u";\"\r\n") == std::u16string_view::npos) {
    AppendUtf8(out, text);
  } else {
    AppendUtf8(out, QuoteCsvField(text));
  }
}

// A tab or a line break inside a cell would split its row: each becomes one
// space (a CR LF pair too).
void AppendTsvField(std::string& out, std::u16string_view text) {
  if (text.find_first_of(u"\t\r\n") == std::u16string_view::npos) {
    AppendUtf8(out, text);
    return;
  }
  std::u16string flat;
  flat.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    flat += c == u'\t' || c == u'\r' || c == u'\n' ? u' ' : c;
  }
  AppendUtf8(out, flat);
}

// Writes row 1 to the last row holding something, the cells' display texts
// separated (not terminated) by the separator, from column 0 to the row's last column holding
// something; a row without such cells is an empty line.
// `flush` takes the text so far whenever it has grown large, and once at the end.
// A cell made only because a formula names its position holds nothing.
bool HoldsSomething(const Cell* cell) { return cell->IsFilled(); }

// The last column of the row that holds something; -1 for none.
int32_t LastHeldColumn(const Row& row) {
  int32_t last = -1;
  row.ForEachCell([&](int32_t column, Cell* cell) {
    if (column > last && column <= row.GetLastColumn() && HoldsSomething(cell)) last = column;
  });
  return last;
}

using AppendField = void (*)(std::string&, std::u16string_view);

// Pieces of text are handed on when they reach this size, so that a big
// sheet's text is never held whole.
constexpr size_t kPiece = size_t{1} << 20;

// Appends rows first..last; `piece` takes the text whenever it reaches kPiece.
template <typename Piece>
void RenderRows(const Sheet& sheet, int32_t first, int32_t last, char separator, AppendField appendField,
                std::string& out, Piece&& piece) {
  for (int32_t r = first; r <= last; ++r) {
    if (Row* row = sheet.FindRow(r)) {
      int32_t lastColumn = LastHeldColumn(*row);
      for (int32_t c = 0; c <= lastColumn; ++c) {
        if (c > 0) out += separator;
        Cell* cell = row->FindCell(c);
        if (!cell) continue;
        // General numbers, most of a big sheet, hold nothing to quote.
        const Value* value = cell->GetValue();
        if (value->Kind() == ValueKind::Number && value->Format() == kFormatGeneral) {
          AppendGeneralDisplay(out, value->Number());
        } else {
          appendField(out, cell->GetText());
        }
      }
    }
    out += "\r\n";
    if (out.size() >= kPiece) {
      piece(out);
      out.clear();
    }
  }
}

// A big sheet's rows are rendered in blocks on two threads, every other block
// on a helper, and written in order; rendering only reads the model.
template <typename Flush>
void Write(Sheet& sheet, char separator, AppendField appendField, Flush&& flush) {
  int32_t lastRow = 0;
  sheet.ForEachRow([&](int32_t r, const Row& row) {
    if (r > lastRow && r <= sheet.GetMaxRow() && LastHeldColumn(row) >= 0) lastRow = r;
  });
  constexpr int32_t kBlockRows = 4096;
  std::string out;
  if (lastRow < 4 * kBlockRows) {
    RenderRows(sheet, 1, lastRow, separator, appendField, out, flush);
    flush(out);
    return;
  }
  struct Piece {
    std::string text;
    bool blockEnd = false;
  };
  const int32_t blocks = (lastRow + kBlockRows - 1) / kBlockRows;
  auto firstOf = [&](int32_t block) { return block * kBlockRows + 1; };
  auto lastOf = [&](int32_t block) { return std::min(lastRow, (block + 1) * kBlockRows); };
  BoundedQueue<Piece, 4> odd;
  std::exception_ptr failure;
  std::thread helper([&] {
    try {
      for (int32_t block = 1; block < blocks; block += 2) {
        std::string text;
        bool stopped = false;
        RenderRows(sheet, firstOf(block), lastOf(block), separator, appendField, text, [&](std::string& full) {
          stopped = stopped || !odd.Push({std::move(full), false});
          full = std::string();
        });
        if (stopped || !odd.Push({std::move(text), true})) break;
      }
    } catch (...) {
      failure = std::current_exception();
    }
    odd.Close();
  });
  // The helper is let go however this thread leaves.
  struct Join {
    BoundedQueue<Piece, 4>& queue;
    std::thread& thread;
    void operator()() {
      if (!thread.joinable()) return;
      queue.Stop();
      thread.join();
    }
    ~Join() { (*this)(); }
  } join{odd, helper};
  for (int32_t block = 0; block < blocks; ++block) {
    if (block % 2 == 0) {
      RenderRows(sheet, firstOf(block), lastOf(block), separator, appendField, out, flush);
      continue;
    }
    // The text so far goes first, then the helper's block.
    flush(out);
    out.clear();
    Piece piece;
    bool whole = false;
    while (!whole && odd.Pop(piece)) {
      flush(piece.text);
      whole = piece.blockEnd;
    }
    if (!whole) break;  // the helper failed
  }
  join();
  if (failure) std::rethrow_exception(failure);
  flush(out);
}

std::string WriteAll(Sheet& sheet, char separator, AppendField appendField) {
  std::string all;
  Write(sheet, separator, appendField, [&](const std::string& piece) { all += piece; });
  return all;
}

// Written piece by piece, so a big sheet's text is never held whole.
bool Save(Sheet& sheet, char separator, AppendField appendField, const std::string& fileName, std::string* error) {
  AtomicFileWriter file(fileName);
  Write(sheet, separator, appendField, [&](const std::string& piece) { file.Write(piece); });
  std::string reason;
  if (file.Commit(&reason)) return true;
  if (error) *error = reason;
  return false;
}

}  // namespace

std::u16string QuoteCsvField(std::u16string_view text) {
  if (text.find_first_of(u";\"\r\n") == std::u16string_view::npos) return std::u16string(text);
  std::u16string quoted;
  quoted.reserve(text.size() + 2);
  quoted += u'"';
  for (char16_t c : text) {
    if (c == u'"') quoted += u'"';
    quoted += c;
  }
  quoted += u'"';
  return quoted;
}

void ReadCsv(Sheet& sheet, std::string_view text) {
  LineSource source(text);
  ReadCsvLines(source, sheet);
}

void ReadTsv(Sheet& sheet, std::string_view text) {
  LineSource source(text);
  ReadTsvLines(source, sheet);
}

std::string WriteCsv(Sheet& sheet) { return WriteAll(sheet, ';', AppendCsvField); }

std::string WriteTsv(Sheet& sheet) { return WriteAll(sheet, '\t', AppendTsvField); }

std::unique_ptr<Workbook> LoadCsv(Host* host, const std::string& fileName, std::string* error,
                                  std::u16string* damage) {
  return Load(host, fileName, error, damage, ReadCsvLines);
}

std::unique_ptr<Workbook> LoadTsv(Host* host, const std::string& fileName, std::string* error,
                                  std::u16string* damage) {
  return Load(host, fileName, error, damage, ReadTsvLines);
}

bool SaveCsv(Sheet& sheet, const std::string& fileName, std::string* error) {
  return Save(sheet, ';', AppendCsvField, fileName, error);
}

bool SaveTsv(Sheet& sheet, const std::string& fileName, std::string* error) {
  return Save(sheet, '\t', AppendTsvField, fileName, error);
}

}  // namespace quadrell
