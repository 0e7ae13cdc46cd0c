// Bit operations on 64-bit integers, DELTA, and conversions between binary,
// octal, decimal and hexadecimal digits.
#include "formula/functions/FunctionSupport.h"
#include "formula/functions/Functions.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

using namespace fn;

std::unique_ptr<Matrix> Bits(int64_t x) { return NumberResult(static_cast<double>(x), 0); }

std::unique_ptr<Matrix> BitAnd(FormulaFunction& call) {
  int64_t a = ArgInteger(call, 0);
  return Bits(a & ArgInteger(call, 1));
}
std::unique_ptr<Matrix> BitOr(FormulaFunction& call) {
  int64_t a = ArgInteger(call, 0);
  return Bits(a | ArgInteger(call, 1));
}
std::unique_ptr<Matrix> BitXor(FormulaFunction& call) {
  int64_t a = ArgInteger(call, 0);
  return Bits(a ^ ArgInteger(call, 1));
}
std::unique_ptr<Matrix> BitNot(FormulaFunction& call) { return Bits(~ArgInteger(call, 0)); }
std::unique_ptr<Matrix> BitLeftShift(FormulaFunction& call) {
  uint64_t a = static_cast<uint64_t>(ArgInteger(call, 0));
  return Bits(static_cast<int64_t>(a << (ArgInteger(call, 1) & 63)));
}
std::unique_ptr<Matrix> BitRightShift(FormulaFunction& call) {
  int64_t a = ArgInteger(call, 0);
  return Bits(a >> (ArgInteger(call, 1) & 63));
}

// A missing second argument compares with 0.
std::unique_ptr<Matrix> Delta(FormulaFunction& call) {
  double a = ArgNumber(call, 0);
  double b = call.ArgumentCount() > 1 ? ArgNumber(call, 1) : 0.0;
  return NumberResult(a == b ? 1 : 0, 1);
}

// The digits of a binary or hexadecimal argument: a text as it is, anything
// else as the decimal digits of its integer.
std::u16string SourceDigits(FormulaFunction& call) {
  const Value* v = ArgValue(call, 0);
  if (v->Kind() == ValueKind::Text) return std::u16string(v->Text());
  return AsciiToUtf16(IntegerText(ToInteger(NumberOf(v))));
}

// A decimal argument: a text is read as an integer, anything else rounded.
int64_t DecimalArgument(FormulaFunction& call) {
  const Value* v = ArgValue(call, 0);
  if (v->Kind() == ValueKind::Text) return ReadInteger(v->Text());
  return ToInteger(NumberOf(v));
}

// Groups of `width` binary digits, zero-padded on the left; any group that is
// not binary gives the empty text.
std::u16string GroupBinary(std::u16string_view digits, size_t width) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string padded((width - digits.size() % width) % width, u'0');
  padded += digits;
  std::u16string out;
  for (size_t i = 0; i < padded.size(); i += width) {
    unsigned value = 0;
    for (size_t k = 0; k < width; ++k) {
      char16_t c = padded[i + k];
      if (c != u'0' && c != u'1') return u"";
      value = value * 2 + (c - u'0');
    }
    out += kDigits[value];
  }
  return out;
}

int64_t ReadBase(std::u16string_view digits, unsigned base) {
  uint64_t value = 0;
  for (char16_t c : digits) {
    int d = HexDigitValue(c);
    if (d < 0) break;
    if (static_cast<unsigned>(d) >= base) break;
    value = value * base + static_cast<unsigned>(d);
  }
  return static_cast<int64_t>(value);
}

// Two's complement for negative numbers: 64 binary or 16 hexadecimal digits.
std::u16string WriteBase(int64_t x, unsigned bitsPerDigit) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  uint64_t v = static_cast<uint64_t>(x);
  if (v == 0) return u"0";
  std::u16string out;
  while (v != 0) {
    out.insert(out.begin(), kDigits[v & ((1u << bitsPerDigit) - 1)]);
    v >>= bitsPerDigit;
  }
  return out;
}

std::unique_ptr<Matrix> Text(std::u16string_view text) { return SingleValue(NewText(text)); }

std::unique_ptr<Matrix> Bin2Oct(FormulaFunction& call) { return Text(GroupBinary(SourceDigits(call), 3)); }
std::unique_ptr<Matrix> Bin2Hex(FormulaFunction& call) { return Text(GroupBinary(SourceDigits(call), 4)); }
std::unique_ptr<Matrix> Bin2Dec(FormulaFunction& call) {
  return NumberResult(static_cast<double>(ReadBase(SourceDigits(call), 2)), 1);
}
std::unique_ptr<Matrix> Hex2Dec(FormulaFunction& call) {
  return NumberResult(static_cast<double>(ReadBase(SourceDigits(call), 16)), 1);
}
std::unique_ptr<Matrix> Hex2Bin(FormulaFunction& call) { return Text(WriteBase(ReadBase(SourceDigits(call), 16), 1)); }
std::unique_ptr<Matrix> Hex2Oct(FormulaFunction& call) {
  return Text(GroupBinary(WriteBase(ReadBase(SourceDigits(call), 16), 1), 3));
}
std::unique_ptr<Matrix> Dec2Bin(FormulaFunction& call) { return Text(WriteBase(DecimalArgument(call), 1)); }
std::unique_ptr<Matrix> Dec2Oct(FormulaFunction& call) {
  return Text(GroupBinary(WriteBase(DecimalArgument(call), 1), 3));
}
std::unique_ptr<Matrix> Dec2Hex(FormulaFunction& call) { return Text(WriteBase(DecimalArgument(call), 4)); }

const FunctionDefinition kFunctions[] = {
    {u"BITAND", u"BITAND", "ee", BitAnd},
    {u"BITOR", u"BITOR", "ee", BitOr},
    {u"BITXOR", u"BITXOR", "ee", BitXor},
    {u"BITNOT", u"BITNOT", "e", BitNot},
    {u"BITLSHIFT", u"BITLSHIFT", "ee", BitLeftShift},
    {u"BITRSHIFT", u"BITRSHIFT", "ee", BitRightShift},
    {u"DELTA", u"DELTA", "eo", Delta},
    {u"BIN2OCT", u"BININOKT", "e", Bin2Oct},
    {u"HEX2DEC", u"HEXINDEZ", "e", Hex2Dec},
    {u"DEC2OCT", u"DEZINOKT", "e", Dec2Oct},
    {u"DEC2BIN", u"DEZINBIN", "e", Dec2Bin},
    {u"BIN2HEX", u"BININHEX", "e", Bin2Hex},
    {u"BIN2DEC", u"BININDEZ", "e", Bin2Dec},
    {u"HEX2BIN", u"HEXINBIN", "e", Hex2Bin},
    {u"DEC2HEX", u"DEZINHEX", "e", Dec2Hex},
    {u"HEX2OCT", u"HEXINOKT", "e", Hex2Oct},
};

}  // namespace

std::span<const FunctionDefinition> EngineeringFunctions() { return kFunctions; }

}  // namespace quadrell
