#pragma once
// A cross table over a block of a sheet whose first row names the columns:
// the distinct values of the row fields down the left, those of the column
// fields across the top, and in each crossing the sum of the first value
// field. The block is loaded into a table of an in-memory SQLite database,
// and distinct keys and sums come from SQL queries. The output is ordinary
// cells of the target sheet, changed only by building again.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace quadrell {

class AreaRange;
class Cell;
class Range;
class Sheet;
class Value;

// What one build writes into the target sheet, worked out before anything is
// written: every cell it fills and the numbers of distinct keys.
struct PivotOutput {
  struct Entry {
    int32_t row;
    int32_t column;
    const Value* value;
  };
  std::vector<Entry> cells;
  int32_t rowKeyCount = 0;
  int32_t columnKeyCount = 0;
};

class PivotTable {
 public:
  // Opens the database and creates the table for the range's columns.
  PivotTable(Sheet* sourceSheet, const Range& sourceRange);
  ~PivotTable();
  PivotTable(const PivotTable&) = delete;
  PivotTable& operator=(const PivotTable&) = delete;

  // Fields are sheet column numbers of the source.
  void AddRowField(int32_t column) { rowFields_.push_back(column); }
  void AddColumnField(int32_t column) { columnFields_.push_back(column); }
  // Kept for the toolbox; building does not use them.
  void AddFilterField(int32_t column) { filterFields_.push_back(column); }
  // Only the first value field is summed.
  void AddValueField(int32_t column) { valueFields_.push_back(column); }
  // Reloads the source and writes the cross table into the target sheet.
  // False when the database failed: then nothing is written (the previous
  // output stays) and GetError says why.
  bool Build();
  // The two halves of a build, for callers that ask before writing: Compute
  // reloads the source and runs the queries (false on a database error, with
  // nothing written); CellsInTheWay lists the positions the output would
  // fill that hold something this table did not write there (the user's
  // cells); Write clears the previous output and writes the new one.
  bool Compute(PivotOutput& output);
  std::vector<std::pair<int32_t, int32_t>> CellsInTheWay(const PivotOutput& output) const;
  void Write(const PivotOutput& output);
  // The database's message about the last failure; empty after a success.
  const std::string& GetError() const { return error_; }
  // Rows and columns of the area the table occupies.
  int32_t GetRowCount() const;
  int32_t GetColumnCount() const;
  bool Contains(int32_t row, int32_t column) const;
  Cell* GetCell(int32_t row, int32_t column);
  // Stores the sheet and builds.
  void SetTargetSheet(Sheet* sheet);
  // The display texts of the source's first row, first to last column.
  void GetSourceColumnNames(std::vector<std::u16string>& names) const;
  void GetValueFields(std::vector<int32_t>& list) const { list = valueFields_; }
  void GetFilterFields(std::vector<int32_t>& list) const { list = filterFields_; }
  void GetColumnFields(std::vector<int32_t>& list) const { list = columnFields_; }
  void GetRowFields(std::vector<int32_t>& list) const { list = rowFields_; }
  // By 0-based position; positions outside the list change nothing.
  void RemoveValueField(int32_t position) { RemoveAt(valueFields_, position); }
  void RemoveFilterField(int32_t position) { RemoveAt(filterFields_, position); }
  void RemoveColumnField(int32_t position) { RemoveAt(columnFields_, position); }
  void RemoveRowField(int32_t position) { RemoveAt(rowFields_, position); }

  // The field lists as a whole, to take back a change the user declined.
  struct Fields {
    std::vector<int32_t> rows, columns, filters, values;
    bool operator==(const Fields&) const = default;
  };
  Fields GetFields() const { return {rowFields_, columnFields_, filterFields_, valueFields_}; }
  void SetFields(const Fields& fields);

  Sheet* GetSourceSheet() const { return sourceSheet_; }
  Sheet* GetTargetSheet() const { return targetSheet_; }
  const AreaRange& GetSourceRange() const { return *sourceRange_; }
  // The open database (null when it did not open); tests provoke failures through it.
  sqlite3* GetDatabase() const { return database_; }

 private:
  static void RemoveAt(std::vector<int32_t>& list, int32_t position);
  bool Execute(const std::string& statement);
  bool Fail();
  void ClearPreviousOutput();
  bool LoadRecords();

  Sheet* sourceSheet_;
  Sheet* targetSheet_ = nullptr;
  std::unique_ptr<AreaRange> sourceRange_;
  std::vector<int32_t> rowFields_;
  std::vector<int32_t> columnFields_;
  std::vector<int32_t> filterFields_;
  std::vector<int32_t> valueFields_;
  sqlite3* database_ = nullptr;
  int32_t rowKeyCount_ = 0;
  int32_t columnKeyCount_ = 0;
  // The cells the last build wrote, with their values: a cell still holding
  // its value is the table's own; one holding anything else is the user's.
  std::vector<PivotOutput::Entry> written_;
  std::string error_;
};

// Joined keys stay unambiguous: "&" becomes "&1", then ";" becomes "&2".
std::u16string EscapeKeyPart(std::u16string_view text);

}  // namespace quadrell
