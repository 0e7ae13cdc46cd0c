#pragma once
// The object behind one column index of a sheet: width, hidden state and an
// optional style its cells inherit. Renumbered, not recreated, when columns
// are inserted or deleted, so the cells pointing at it follow.
#include <cstdint>

#include "model/Style.h"

namespace quadrell {

class Sheet;

constexpr int32_t kDefaultColumnWidth = 98;

class Column {
 public:
  Column(int32_t index, Sheet* sheet) : index_(index), sheet_(sheet) {}
  Column(const Column&) = delete;
  Column& operator=(const Column&) = delete;

  // Own style, else the sheet's default.
  const StyleRecord* GetStyle() const;
  StyleRecord CopyStyle() const { return *GetStyle(); }
  void SetStyle(const StyleRecord& style);
  int32_t GetIndex() const { return index_; }
  void SetIndex(int32_t index) { index_ = index; }
  // 0 while hidden.
  int32_t GetWidth() const { return hidden_ ? 0 : width_; }
  void SetWidth(int32_t width) { width_ = width; }
  bool HasStyle() const { return style_ != nullptr; }
  // Showing a column whose width is 0 gives it the default width.
  void SetHidden(bool hidden);
  bool IsHidden() const { return hidden_; }
  // The width kept while hidden.
  int32_t GetStoredWidth() const { return width_; }
  void RestoreWidth(int32_t width, bool hidden) {
    width_ = width;
    hidden_ = hidden;
  }
  Sheet* GetSheet() const { return sheet_; }
  // The own style or null.
  const StyleRecord* GetOwnStyle() const { return style_; }

 private:
  int32_t index_;
  int32_t width_ = kDefaultColumnWidth;
  const StyleRecord* style_ = nullptr;
  bool hidden_ = false;
  Sheet* sheet_;
};

}  // namespace quadrell
