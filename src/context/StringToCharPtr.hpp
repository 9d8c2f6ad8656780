// Zero-terminated 8-bit copy of a text, as the framework takes its text arguments.
#pragma once

#include <memory>
#include <string_view>

namespace Orvo::OpenNI::detail {

class StringToCharPtr {
public:
    /// Copies the bytes unchanged; a null text gives a null pointer.
    explicit StringToCharPtr(const char* text);
    explicit StringToCharPtr(std::string_view text);
    /// Converts to the current locale's multibyte encoding, '?' for what it
    /// cannot represent; a null text gives a null pointer.
    explicit StringToCharPtr(const wchar_t* text);
    explicit StringToCharPtr(std::wstring_view text);

    ~StringToCharPtr() { Dispose(); }
    StringToCharPtr(const StringToCharPtr&) = delete;
    StringToCharPtr& operator=(const StringToCharPtr&) = delete;

    [[nodiscard]] const char* ToPointer() const noexcept { return _.get(); }
    void Dispose() noexcept { _.reset(); }

private:
    std::unique_ptr<char[]> _;
};

}  // namespace Orvo::OpenNI::detail
