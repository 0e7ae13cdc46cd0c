#pragma once
// The result of every formula evaluation: a rectangle of pooled values
// addressed by (column offset, row offset) from its top-left corner. A matrix
// refers to values, never copies or frees them; the caller that evaluated a
// node owns the matrix it got.
#include <cstdint>
#include <memory>
#include <vector>

#include "value/Value.h"

namespace quadrell {

class Range;

class Matrix {
 public:
  virtual int32_t Columns() const = 0;
  virtual int32_t Rows() const = 0;
  virtual int64_t ValueCount() const = 0;
  // The value at the offsets; null outside the matrix (or where nothing was stored).
  virtual const Value* GetAt(int32_t column, int32_t row) const = 0;
  virtual ~Matrix() = default;
};

// One value, at every position.
class SingleValueMatrix final : public Matrix {
 public:
  explicit SingleValueMatrix(const Value* value) : value_(value) {}
  int32_t Columns() const override { return 1; }
  int32_t Rows() const override { return 1; }
  int64_t ValueCount() const override { return 1; }
  const Value* GetAt(int32_t, int32_t) const override { return value_; }

 private:
  const Value* value_;
};

// A live view of a range: values are read from the cells at each call. The
// range is not owned and must outlive the matrix.
class RangeMatrix final : public Matrix {
 public:
  explicit RangeMatrix(Range& range);
  int32_t Columns() const override { return width_; }
  int32_t Rows() const override { return height_; }
  int64_t ValueCount() const override { return count_; }
  const Value* GetAt(int32_t column, int32_t row) const override;

 private:
  Range* range_;
  int32_t width_;
  int32_t height_;
  int64_t count_;
};

// Computed values, row after row; positions start out null.
class ArrayMatrix final : public Matrix {
 public:
  ArrayMatrix(int32_t width, int32_t height);
  int32_t Columns() const override { return width_; }
  int32_t Rows() const override { return height_; }
  int64_t ValueCount() const override { return static_cast<int64_t>(width_) * height_; }
  const Value* GetAt(int32_t column, int32_t row) const override;
  void SetAt(int32_t column, int32_t row, const Value* value);

 private:
  int32_t width_;
  int32_t height_;
  std::vector<const Value*> values_;
};

// A matrix one row high holding the values in list order.
std::unique_ptr<ArrayMatrix> MatrixFromList(const std::vector<const Value*>& values);

}  // namespace quadrell
