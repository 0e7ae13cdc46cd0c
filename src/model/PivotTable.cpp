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

// One prepared statement, finalized when it goes out of scope. A statement
// that does not prepare steps to nothing: database errors are not reported,
// the build simply gets as far as it gets.
class Statement {
 public:
  Statement(sqlite3* database, const std::string& sql) {
    if (database) sqlite3_prepare_v2(database, sql.c_str(), static_cast<int>(sql.size()), &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Ok() const { return statement_ != nullptr; }
  // True while a result row is there.
  bool Step() { return statement_ && sqlite3_step(statement_) == SQLITE_ROW; }
  void Reset() {
    if (statement_) sqlite3_reset(statement_);
  }
  // Parameters count from 0 here, as the loading loop numbers them.
  void BindInteger(int index, int64_t value) {
    if (statement_) sqlite3_bind_int64(statement_, index + 1, value);
  }
  void BindDouble(int index, double value) {
    if (statement_) sqlite3_bind_double(statement_, index + 1, value);
  }
  void BindText(int index, const std::string& text) {
    if (statement_) {
      sqlite3_bind_text(statement_, index + 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
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

void PivotTable::Execute(const std::string& statement) {
  if (database_) sqlite3_exec(database_, statement.c_str(), nullptr, nullptr, nullptr);
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
  Build();
}

void PivotTable::GetSourceColumnNames(std::vector<std::u16string>& names) const {
  names.clear();
  int32_t header = sourceRange_->GetFirstRow();
  for (int32_t c = sourceRange_->GetFirstColumn(); c <= sourceRange_->GetLastColumn(); ++c) {
    names.push_back(sourceRange_->GetCell(header, c)->GetText());
  }
}

// Only cells that exist can hold output of the last build.
void PivotTable::ClearPreviousOutput() {
  for (int64_t r = 1; r <= previousRowCount_; ++r) {
    Row* row = targetSheet_->FindRow(static_cast<int32_t>(r));
    if (!row) continue;
    for (int64_t c = 0; c < previousColumnCount_; ++c) {
      if (Cell* cell = row->FindCell(static_cast<int32_t>(c))) cell->SetValue(EmptyValue());
    }
  }
}

// Each record stores the text of every value and its number (0 for texts).
void PivotTable::LoadRecords() {
  const int32_t firstColumn = sourceRange_->GetFirstColumn();
  const int32_t lastColumn = sourceRange_->GetLastColumn();
  std::string columns;
  std::string parameters;
  for (int32_t c = firstColumn; c <= lastColumn; ++c) {
    std::string number = IntegerText(c);
    columns.append(",c").append(number).append("s,c").append(number).append("d");
    parameters += ",?,?";
  }
  Execute("begin");
  Statement insert(database_, "Insert Into pivot (row" + columns + ") values (?" + parameters + ")");
  for (int32_t r = sourceRange_->GetFirstRow() + 1; insert.Ok() && r <= sourceRange_->GetLastRow(); ++r) {
    insert.Reset();
    insert.BindInteger(0, r);
    int parameter = 1;
    for (int32_t c = firstColumn; c <= lastColumn; ++c) {
      const Value* value = sourceRange_->GetCell(r, c)->GetValue();
      insert.BindText(parameter++, Utf16ToUtf8(value->Text()));
      insert.BindDouble(parameter++, value->IsNumeric() ? value->Number() : 0);
    }
    insert.Step();
  }
  Execute("commit");
}

void PivotTable::Build() {
  if (!targetSheet_) return;
  ClearPreviousOutput();
  Execute("delete from pivot ");
  LoadRecords();
  const int32_t rowFieldCount = static_cast<int32_t>(rowFields_.size());
  const int32_t columnFieldCount = static_cast<int32_t>(columnFields_.size());

  // Distinct keys of one side: counted, then written in order, each mapped
  // from its joined key text to its row (or column).
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
        Cell* cell = down ? targetSheet_->GetCellDirect(at, j) : targetSheet_->GetCellDirect(j + 1, at);
        cell->SetValue(NewText(Utf8ToUtf16(text)));
        key += EscapeKeyPartUtf8(text) + ";";
      }
      positions[key] = at;
    }
    return positions;
  };
  auto rowOf = keys(rowFields_, rowKeyCount_, columnFieldCount + 1, true);
  auto columnOf = keys(columnFields_, columnKeyCount_, rowFieldCount, false);

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
      targetSheet_->GetCellDirect(row->second, column->second)->SetValue(NewNumber(sums.Double(0)));
    }
  }
  previousColumnCount_ = GetColumnCount();
  previousRowCount_ = GetRowCount();
}

}  // namespace quadrell
