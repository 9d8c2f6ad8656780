#include "context/StringToCharPtr.hpp"

#include <cstring>
#include <cwchar>
#include <string>

namespace Orvo::OpenNI::detail {

namespace {

std::unique_ptr<char[]> CopyOf(std::string_view bytes) {
    auto copy = std::make_unique<char[]>(bytes.size() + 1);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    copy[bytes.size()] = '\0';
    return copy;
}

std::string ToMultibyte(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    char buffer[MB_LEN_MAX];
    std::mbstate_t state{};
    for (wchar_t c : text) {
        std::size_t written = std::wcrtomb(buffer, c, &state);
        if (written == static_cast<std::size_t>(-1)) {
            out += '?';
            state = std::mbstate_t{};
        } else {
            out.append(buffer, written);
        }
    }
    // Return to the initial shift state so that the terminating zero is read as one.
    std::size_t tail = std::wcrtomb(buffer, L'\0', &state);
    if (tail != static_cast<std::size_t>(-1) && tail > 1) {
        out.append(buffer, tail - 1);
    }
    return out;
}

}  // namespace

StringToCharPtr::StringToCharPtr(const char* text) {
    if (text != nullptr) {
        _ = CopyOf(text);
    }
}

StringToCharPtr::StringToCharPtr(std::string_view text) : _(CopyOf(text)) {}

StringToCharPtr::StringToCharPtr(const wchar_t* text) {
    if (text != nullptr) {
        _ = CopyOf(ToMultibyte(text));
    }
}

StringToCharPtr::StringToCharPtr(std::wstring_view text) : _(CopyOf(ToMultibyte(text))) {}

}  // namespace Orvo::OpenNI::detail
