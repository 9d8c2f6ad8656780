// Text forms of the value records. Each is laid out in a stack buffer sized
// for its longest text and copied once into the returned string, so a call
// allocates at most that string (short texts fit its inline storage).
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "Orvo/OpenNI/Records.hpp"
#include "records/GeneralNumber.hpp"

namespace Orvo::OpenNI {

namespace {

using detail::GeneralNumberCapacity;
using detail::NumberSymbols;
using detail::WriteGeneralNumber;

constexpr std::string_view Separator = ", ";
constexpr std::string_view NormalPrefix = "Normal = {";
constexpr std::string_view PositionPrefix = "}, Position = {";
constexpr std::string_view PositionNormalSuffix = "},";

constexpr std::size_t Vector3Capacity = 3 * GeneralNumberCapacity + 2 * Separator.size();
constexpr std::size_t PositionNormalCapacity =
    NormalPrefix.size() + PositionPrefix.size() + PositionNormalSuffix.size() + 2 * Vector3Capacity;
constexpr std::size_t UInt32Digits = 10;  // 4294967295
constexpr std::size_t MapOutputModeCapacity = 3 * UInt32Digits + 2 * Separator.size();
constexpr std::size_t FieldOfViewCapacity = 2 * GeneralNumberCapacity + Separator.size();

char* Put(char* out, std::string_view text) noexcept {
    for (char c : text) {
        *out++ = c;
    }
    return out;
}

char* PutVector(char* out, const Vector3& v, NumberSymbols symbols) noexcept {
    out = WriteGeneralNumber(out, v.X, symbols);
    out = Put(out, Separator);
    out = WriteGeneralNumber(out, v.Y, symbols);
    out = Put(out, Separator);
    return WriteGeneralNumber(out, v.Z, symbols);
}

char* PutUnsigned(char* out, std::uint32_t value) noexcept {
    return std::to_chars(out, out + UInt32Digits, value).ptr;  // plain digits whatever the locale
}

}  // namespace

std::string Vector3::ToString() const {
    char text[Vector3Capacity];
    return std::string(text, PutVector(text, *this, NumberSymbols::Current()));
}

std::string PositionNormal::ToString() const {
    const NumberSymbols symbols = NumberSymbols::Current();  // one locale for the whole text
    char text[PositionNormalCapacity];
    char* out = Put(text, NormalPrefix);
    out = PutVector(out, Normal, symbols);
    out = Put(out, PositionPrefix);
    out = PutVector(out, Position, symbols);
    out = Put(out, PositionNormalSuffix);
    return std::string(text, out);
}

std::string MapOutputMode::ToString() const {
    char text[MapOutputModeCapacity];
    char* out = PutUnsigned(text, Width);
    out = Put(out, Separator);
    out = PutUnsigned(out, Height);
    out = Put(out, Separator);
    out = PutUnsigned(out, FramesPerSecond);
    return std::string(text, out);
}

std::string FieldOfView::ToString() const {
    const NumberSymbols symbols = NumberSymbols::Current();
    char text[FieldOfViewCapacity];
    char* out = WriteGeneralNumber(text, Horizontal, symbols);
    out = Put(out, Separator);
    out = WriteGeneralNumber(out, Vertical, symbols);
    return std::string(text, out);
}

}  // namespace Orvo::OpenNI
