#pragma once
// A compiled formula. The cell keeps it through a pointer; its operations come
// with the formula engine.
namespace quadrell {

class Formula;

}  // namespace quadrell
