// Status codes, the status error and the framework's enumeration-error list.
#pragma once

#include <any>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>

struct XnEnumerationErrors;
struct XnModuleError;

namespace Orvo::OpenNI {

namespace detail {
struct Access;
}

/// A framework status code, bit for bit. Only success has a name; every other
/// value is whatever the framework reported.
enum class Status : std::int32_t { Ok = 0 };

class ErrorCollection;

/// Walks the statuses recorded in an ErrorCollection with the enumerator
/// protocol: it starts before the first entry, MoveNext() steps and tells
/// whether there is an entry, Current() reads it.
///
/// The iterator reads the framework's list as it stands at each step, so after
/// ErrorCollection::Clear() an iterator must be Reset() before it is used again.
/// Every operation on an iterator whose collection has been disposed throws
/// std::runtime_error instead of touching the freed list.
class ErrorCollectionIterator {
public:
    explicit ErrorCollectionIterator(const ErrorCollection& collection);

    bool MoveNext();
    [[nodiscard]] Status Current() const;
    /// The same value as Current(), as a type-independent value holding a Status.
    [[nodiscard]] std::any CurrentBase() const;
    void Reset();
    void Dispose() noexcept {}

private:
    const ErrorCollection* _;
    XnModuleError* iterator = nullptr;
    bool beforeFirst = true;
};

/// Owns one framework enumeration-error list. Hand it to the constructors that
/// build nodes, then walk what the framework recorded:
///
///     for (Orvo::OpenNI::Status status : errors) { ... }
class ErrorCollection {
public:
    ErrorCollection();
    ~ErrorCollection();
    ErrorCollection(const ErrorCollection&) = delete;
    ErrorCollection& operator=(const ErrorCollection&) = delete;

    /// Empties the list. Throws std::runtime_error when disposed.
    void Clear();
    /// An iterator standing before the first entry.
    [[nodiscard]] ErrorCollectionIterator GetEnumerator() const;
    /// Frees the framework list; a second call does nothing.
    void Dispose() noexcept;
    [[nodiscard]] bool IsDisposed() const noexcept { return _ == nullptr; }

    /// Input iterator for range-for, built on the enumerator protocol.
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Status;
        using difference_type = std::ptrdiff_t;
        using reference = Status;
        using pointer = void;

        Iterator() = default;
        explicit Iterator(const ErrorCollection& collection);
        Status operator*() const { return enumerator->Current(); }
        Iterator& operator++();
        void operator++(int) { ++*this; }
        friend bool operator==(const Iterator& it, std::default_sentinel_t) noexcept { return !it.onEntry; }

    private:
        std::optional<ErrorCollectionIterator> enumerator;
        bool onEntry = false;
    };

    [[nodiscard]] Iterator begin() const { return Iterator(*this); }
    [[nodiscard]] std::default_sentinel_t end() const noexcept { return {}; }

private:
    friend struct detail::Access;
    friend class ErrorCollectionIterator;
    XnEnumerationErrors* _ = nullptr;
};

}  // namespace Orvo::OpenNI
