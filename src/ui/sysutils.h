#pragma once
// Small string helpers in the framework's manner.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// Case-insensitive comparison of ASCII letters, as names and keys compare.
bool SameText(std::string_view a, std::string_view b);
// Hexadecimal, upper case, at least digits wide.
std::string IntToHex(std::uint64_t v, int digits);
// Signed decimal, or hexadecimal after "$" / "0x" / "0X"; blanks before
// the number are skipped; nothing else may follow. Empty when it does not convert.
std::optional<std::int64_t> TryStrToInt(std::string_view s);
// As TryStrToInt, raising EConvertError "'%s' ist kein gültiger Integerwert".
std::int32_t StrToInt(std::string_view s);
// Round to nearest, halves to even.
std::int64_t RoundHalfEven(double v);

}  // namespace ui
