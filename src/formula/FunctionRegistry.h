#pragma once
// Every function a formula can call, in registration order, with its German
// and English name, the procedure that computes it and its signature: one
// letter per argument (e any expression, r a range, c a cell, b a condition,
// o an optional last argument, l a list that repeats).
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "value/Matrix.h"

namespace quadrell {

class FormulaFunction;

// Reads and evaluates the call's arguments and returns a new matrix; it
// releases every matrix it got from an argument, unless it returns that one.
using FunctionImplementation = std::unique_ptr<Matrix> (*)(FormulaFunction& call);

struct FunctionEntry {
  std::u16string german;
  std::u16string english;
  FunctionImplementation implementation = nullptr;
  std::string signature;

  const std::u16string& Name(std::u16string_view language) const;
};

// How a family of functions hands its entries to the registry.
struct FunctionDefinition {
  const char16_t* english;
  const char16_t* german;
  const char* signature;
  FunctionImplementation implementation;
};

class FunctionRegistry {
 public:
  // The functions of Quadrell's own language come first; those after them
  // give formulas of other programs their meaning.
  static constexpr size_t kOriginalCount = 118;
  // The process-wide registry, filled on first use.
  static const FunctionRegistry& Get();

  // The first entry whose name in the language is exactly the upper-case name; null when none.
  const FunctionEntry* Find(std::u16string_view name, std::u16string_view language) const;
  const std::vector<FunctionEntry>& Entries() const { return entries_; }
  // "(Value,Value)" for "ee" with the English texts: the localised text of
  // each letter, without the last character, in parentheses.
  static std::u16string ArgumentHint(const FunctionEntry& entry);

 private:
  FunctionRegistry();
  std::vector<FunctionEntry> entries_;
  std::unordered_map<std::u16string_view, const FunctionEntry*> german_;
  std::unordered_map<std::u16string_view, const FunctionEntry*> english_;
};

}  // namespace quadrell
