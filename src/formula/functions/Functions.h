#pragma once
// The built-in function families.
#include <span>

#include "formula/FunctionRegistry.h"

namespace quadrell {

std::span<const FunctionDefinition> OperatorFunctions();
std::span<const FunctionDefinition> MathFunctions();
std::span<const FunctionDefinition> EngineeringFunctions();
std::span<const FunctionDefinition> TextFunctions();
std::span<const FunctionDefinition> DateFunctions();
std::span<const FunctionDefinition> LogicalFunctions();
std::span<const FunctionDefinition> LookupFunctions();
std::span<const FunctionDefinition> ComplexFunctions();
std::span<const FunctionDefinition> MatrixFunctions();
// Functions after the 118, with the meanings spreadsheet files give them.
std::span<const FunctionDefinition> StatisticsFunctions();
std::span<const FunctionDefinition> FileLookupFunctions();

}  // namespace quadrell
