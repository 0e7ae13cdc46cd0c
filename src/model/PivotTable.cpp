#include "model/PivotTable.h"

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

#include "model/Cell.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "value/NumberText.h"
#include "value/Unicode.h"
#include "value/Value.h"

namespace quadrell {

namespace {

// One prepared statement, finalized when it goes out of scope. Any failure
// (a statement that does not prepare, a step that ends in an error) is kept,
// so that the build can stop and say so instead of showing half a result.
class Statement {
 public:
  Statement(sqlite3* database, const std::string& sql) {
    if (!database || sqlite3_prepare_v2(database, sql.c_str(), static_cast<int>(sql.size()), &statement_, nullptr) !=
                          SQLITE_OK) {
      sqlite3_finalize(statement_);
      statement_ = nullptr;
      failed_ = true;
    }
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Failed() const { return failed_; }
  // True while a result row is there; false at the end or on a failure.
  bool Step() {
    if (!statement_ || failed_) return false;
    int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) failed_ = true;
    return false;
  }
  void Reset() {
    if (statement_) sqlite3_reset(statement_);
  }
  // Parameters count from 0 here, as the loading loop numbers them.
  void BindInteger(int index, int64_t value) {
    if (statement_ && sqlite3_bind_int64(statement_, index + 1, value) != SQLITE_OK) failed_ = true;
  }
  void BindDouble(int index, double value) {
    if (statement_ && sqlite3_bind_double(statement_, index + 1, value) != SQLITE_OK) failed_ = true;
  }
  void BindText(int index, const std::string& text) {
    if (statement_ && sqlite3_bind_text(statement_, index + 1, text.data(), static_cast<int>(text.size()),
                                        SQLITE_TRANSIENT) != SQLITE_OK) {
      failed_ = true;
    }
  }
  std::string Text(int column) const {
    const unsigned char* text = sqlite3_column_text(statement_, column);
    int length = sqlite3_column_bytes(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length)) : std::string();
  }
  int64_t Integer(int column) const { return sqlite3_column_int64(statement_, column); }
  double Double(int column) const { return sqlite3_column_double(statement_, column); }
  bool IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

 private:
  sqlite3_stmt* statement_ = nullptr;
  bool failed_ = false;
};

std::string EscapeKeyPartUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '&') {
      out += "&1";
    } else if (c == ';') {
      out += "&2";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.front() == ',') text.erase(text.begin());
  while (!text.empty() && text.back() == ',') text.pop_back();
  return text;
}

// "c3s,c5s" for the fields 3 and 5.
std::string KeyList(const std::vector<int32_t>& fields) {
  std::string list;
  for (int32_t f : fields) {
    list += 'c';
    list += IntegerText(f);
    list += "s,";
  }
  return Trimmed(list);
}

}  // namespace

std::u16string EscapeKeyPart(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c == u'&') {
      out += u"&1";
    } else if (c == u';') {
      out += u"&2";
    } else {
      out += c;
    }
  }
  return out;
}

PivotTable::PivotTable(Sheet* sourceSheet, const Range& sourceRange) : sourceSheet_(sourceSheet) {
  int32_t firstColumn = std::max(sourceRange.GetFirstColumn(), 0);
  int32_t firstRow = std::max(sourceRange.GetFirstRow(), 1);
  int32_t lastColumn = sourceRange.GetLastColumn() == -1 ? sourceSheet->GetMaxColumn() : sourceRange.GetLastColumn();
  int32_t lastRow = sourceRange.GetLastRow() == -1 ? sourceSheet->GetMaxRow() : sourceRange.GetLastRow();
  sourceRange_ = std::make_unique<AreaRange>(firstColumn, firstRow, std::max(lastColumn, firstColumn),
                                             std::max(lastRow, firstRow), sourceSheet);
  if (sqlite3_open_v2(":memory:", &database_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close(database_);
    database_ = nullptr;
    return;
  }
  std::string create = "Create table pivot (row int";
  for (int32_t c = sourceRange_->GetFirstColumn(); c <= sourceRange_->GetLastColumn(); ++c) {
    std::string number = IntegerText(c);
    create.append(",c").append(number).append("s text ,c").append(number).append("d decimal");
  }
  create += ")";
  Execute(create);
}

PivotTable::~PivotTable() { sqlite3_close(database_); }

void PivotTable::RemoveAt(std::vector<int32_t>& list, int32_t position) {
  if (position >= 0 && position < static_cast<int32_t>(list.size())) list.erase(list.begin() + position);
}

void PivotTable::SetFields(const Fields& fields) {
  rowFields_ = fields.rows;
  columnFields_ = fields.columns;
  filterFields_ = fields.filters;
  valueFields_ = fields.values;
}

// Keeps the database's message; always false, for returning.
bool PivotTable::Fail() {
  error_ = database_ ? sqlite3_errmsg(database_) : "out of memory";
  if (error_.empty()) error_ = "database error";
  return false;
}

bool PivotTable::Execute(const std::string& statement) {
  if (!database_) return Fail();
  if (sqlite3_exec(database_, statement.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return Fail();
  return true;
}

int32_t PivotTable::GetRowCount() const {
  return static_cast<int32_t>(columnFields_.size()) + std::max(rowKeyCount_, 1);
}

int32_t PivotTable::GetColumnCount() const {
  return static_cast<int32_t>(rowFields_.size()) + std::max(columnKeyCount_, 1);
}

bool PivotTable::Contains(int32_t row, int32_t column) const {
  return row >= 1 && row <= GetRowCount() && column >= 0 && column < GetColumnCount();
}

Cell* PivotTable::GetCell(int32_t row, int32_t column) {
  return targetSheet_ ? targetSheet_->GetCellDirect(row, column) : nullptr;
}

void PivotTable::SetTargetSheet(Sheet* sheet) {
  targetSheet_ = sheet;
  written_.clear();
  Build();
}

void PivotTable::GetSourceColumnNames(std::vector<std::u16string>& names) const {
  names.clear();
  int32_t header = sourceRange_->GetFirstRow();
  for (int32_t c = sourceRange_->GetFirstColumn(); c <= sourceRange_->GetLastColumn(); ++c) {
    names.push_back(sourceRange_->GetCell(header, c)->GetText());
  }
}

namespace {

Cell* StoredCell(Sheet* sheet, int32_t row, int32_t column) {
  Row* r = sheet->FindRow(row);
  return r ? r->FindCell(column) : nullptr;
}

// The cell still holds what the table wrote there, and nothing the user typed.
bool StillWritten(Sheet* sheet, const PivotOutput::Entry& entry) {
  Cell* cell = StoredCell(sheet, entry.row, entry.column);
  return cell && !cell->HasFormula() && ValuesEqual(cell->GetValue(), entry.value);
}

}  // namespace

// Only what the last build wrote and nobody changed since is cleared: cells
// the user typed into the area stay.
void PivotTable::ClearPreviousOutput() {
  for (const PivotOutput::Entry& entry : written_) {
    if (StillWritten(targetSheet_, entry)) StoredCell(targetSheet_, entry.row, entry.column)->SetValue(EmptyValue());
  }
  written_.clear();
}

// Each record stores the text of every value and its number (0 for texts),
// through one prepared insert inside one transaction.
bool PivotTable::LoadRecords() {
  const int32_t firstColumn = sourceRange_->GetFirstColumn();
  const int32_t lastColumn = sourceRange_->GetLastColumn();
  std::string columns;
  std::string parameters;
  for (int32_t c = firstColumn; c <= lastColumn; ++c) {
    std::string number = IntegerText(c);
    columns.append(",c").append(number).append("s,c").append(number).append("d");
    parameters += ",?,?";
  }
  if (!Execute("begin")) return false;
  bool ok = true;
  {
    Statement insert(database_, "Insert Into pivot (row" + columns + ") values (?" + parameters + ")");
    for (int32_t r = sourceRange_->GetFirstRow() + 1; !insert.Failed() && r <= sourceRange_->GetLastRow(); ++r) {
      insert.Reset();
      insert.BindInteger(0, r);
      int parameter = 1;
      Row* row = sourceSheet_->FindRow(r);
      for (int32_t c = firstColumn; c <= lastColumn; ++c) {
        // Read as the user sees it (through a filter), without making cells
        // for the empty positions of a sparse source.
        const Value* value = EmptyValue();
        if (sourceSheet_->IsOverlayCell(r, c)) {
          value = sourceSheet_->GetCell(r, c)->GetValue();
        } else if (Cell* cell = row ? row->FindCell(c) : nullptr) {
          value = cell->GetValue();
        }
        insert.BindText(parameter++, Utf16ToUtf8(value->Text()));
        insert.BindDouble(parameter++, value->IsNumeric() ? value->Number() : 0);
      }
      insert.Step();
    }
    if (insert.Failed()) ok = Fail();
  }
  if (!ok) {
    sqlite3_exec(database_, "rollback", nullptr, nullptr, nullptr);
    return false;
  }
  return Execute("commit");
}

bool PivotTable::Build() {
  PivotOutput output;
  if (!Compute(output)) return false;
  Write(output);
  return true;
}

bool PivotTable::Compute(PivotOutput& output) {
  output = PivotOutput{};
  error_.clear();
  if (!targetSheet_) return true;
  if (!Execute("delete from pivot ") || !LoadRecords()) return false;
  const int32_t rowFieldCount = static_cast<int32_t>(rowFields_.size());
  const int32_t columnFieldCount = static_cast<int32_t>(columnFields_.size());

  // Distinct keys of one side: counted, then listed in order, each mapped
  // from its joined key text to its row (or column).
  bool failed = false;
  auto keys = [&](const std::vector<int32_t>& fields, int32_t& count, int32_t first, bool down) {
    std::unordered_map<std::string, int32_t> positions;
    count = 0;
    if (fields.empty()) {
      positions[""] = first;
      return positions;
    }
    std::string list = KeyList(fields);
    Statement counting(database_, "select count(*) from (select distinct " + list + " from pivot)");
    if (counting.Step()) count = static_cast<int32_t>(std::clamp<int64_t>(counting.Integer(0), 0, INT32_MAX));
    Statement distinct(database_, "select distinct " + list + " from pivot order by " + list);
    for (int32_t at = first; distinct.Step(); ++at) {
      std::string key;
      for (int j = 0; j < static_cast<int>(fields.size()); ++j) {
        std::string text = distinct.Text(j);
        const Value* value = NewText(Utf8ToUtf16(text));
        if (down) output.cells.push_back({at, j, value});
        else output.cells.push_back({j + 1, at, value});
        key += EscapeKeyPartUtf8(text) + ";";
      }
      positions[key] = at;
    }
    if (counting.Failed() || distinct.Failed()) failed = true;
    return positions;
  };
  auto rowOf = keys(rowFields_, output.rowKeyCount, columnFieldCount + 1, true);
  if (failed) return Fail();
  auto columnOf = keys(columnFields_, output.columnKeyCount, rowFieldCount, false);
  if (failed) return Fail();

  if (!valueFields_.empty()) {
    std::string group = Trimmed(KeyList(columnFields_) + "," + KeyList(rowFields_));
    std::string selection = std::string("sum(c").append(IntegerText(valueFields_.front())).append("d),");
    std::string query = "select " + Trimmed(selection + group) + " from pivot";
    if (!group.empty()) query += " group by " + group + " order by " + group;
    Statement sums(database_, query);
    while (sums.Step()) {
      if (sums.IsNull(0)) continue;  // no records at all
      std::string columnKey;
      for (int i = 0; i < columnFieldCount; ++i) columnKey += EscapeKeyPartUtf8(sums.Text(1 + i)) + ";";
      std::string rowKey;
      for (int j = 0; j < rowFieldCount; ++j) rowKey += EscapeKeyPartUtf8(sums.Text(1 + columnFieldCount + j)) + ";";
      auto row = rowOf.find(rowKey);
      auto column = columnOf.find(columnKey);
      if (row == rowOf.end() || column == columnOf.end()) continue;
      output.cells.push_back({row->second, column->second, NewNumber(sums.Double(0))});
    }
    if (sums.Failed()) return Fail();
  }
  return true;
}

std::vector<std::pair<int32_t, int32_t>> PivotTable::CellsInTheWay(const PivotOutput& output) const {
  std::vector<std::pair<int32_t, int32_t>> inTheWay;
  if (!targetSheet_) return inTheWay;
  // The positions the table fills now and still holds unchanged are its own.
  std::unordered_map<int64_t, const PivotOutput::Entry*> own;
  for (const PivotOutput::Entry& entry : written_) {
    own[(int64_t{entry.row} << 32) | static_cast<uint32_t>(entry.column)] = &entry;
  }
  for (const PivotOutput::Entry& entry : output.cells) {
    Cell* cell = StoredCell(targetSheet_, entry.row, entry.column);
    if (!cell || (!cell->HasFormula() && cell->GetValue()->Kind() == ValueKind::Empty)) continue;
    auto mine = own.find((int64_t{entry.row} << 32) | static_cast<uint32_t>(entry.column));
    if (mine != own.end() && StillWritten(targetSheet_, *mine->second)) continue;
    inTheWay.emplace_back(entry.row, entry.column);
  }
  return inTheWay;
}

void PivotTable::Write(const PivotOutput& output) {
  if (!targetSheet_) return;
  ClearPreviousOutput();
  for (const PivotOutput::Entry& entry : output.cells) {
    Cell* cell = targetSheet_->GetCellDirect(entry.row, entry.column);
    // A formula the user agreed to overwrite goes with its value.
    if (cell->HasFormula()) cell->SetValueAsInput(entry.value);
    else cell->SetValue(entry.value);
  }
  written_ = output.cells;
  rowKeyCount_ = output.rowKeyCount;
  columnKeyCount_ = output.columnKeyCount;
}

}  // namespace quadrell
