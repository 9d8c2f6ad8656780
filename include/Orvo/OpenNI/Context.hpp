// The framework context: initialisation, generation, the update step, shutdown.
#pragma once

#include <memory>
#include <string>

#include "Orvo/OpenNI/Errors.hpp"

struct XnContext;

namespace Orvo::OpenNI {

/// Owns one OpenNI context. Nodes keep the context they were made in through a
/// std::shared_ptr<Context>, so make one with std::make_shared or Create().
///
/// Failing framework calls throw std::runtime_error whose message is the status
/// text "XXXXXXXX: description". After Dispose() every operation except
/// Dispose() throws std::runtime_error without reaching the framework.
class Context {
public:
    /// A plain context (xnInit).
    Context();
    /// A context built from a framework XML configuration file. A null path
    /// reaches the framework as null; `errors` (may be null or disposed)
    /// receives whatever the framework records while building nodes.
    explicit Context(const char* configXmlFilePath, ErrorCollection* errors = nullptr);
    explicit Context(const std::string& configXmlFilePath, ErrorCollection* errors = nullptr);
    /// Wide-text path, converted to the current locale's multibyte encoding;
    /// characters it cannot represent become '?'.
    explicit Context(const wchar_t* configXmlFilePath, ErrorCollection* errors = nullptr);
    explicit Context(const std::wstring& configXmlFilePath, ErrorCollection* errors = nullptr);

    template <typename... Args>
    [[nodiscard]] static std::shared_ptr<Context> Create(Args&&... args) {
        return std::make_shared<Context>(std::forward<Args>(args)...);
    }

    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    /// Starts generation on all nodes; the framework's status is returned, not thrown.
    Status Start();
    /// Stops generation on all nodes; the framework's status is returned, not thrown.
    Status Stop();
    /// Waits for new data on all nodes and updates them; throws on failure.
    void WaitAndUpdateAll();
    /// Shuts the framework context down; a second call does nothing.
    void Dispose() noexcept;
    [[nodiscard]] bool IsDisposed() const noexcept { return _ == nullptr; }

    /// Returns when `status` is Ok; otherwise throws std::runtime_error with the status text.
    static void Check(Status status);

private:
    friend struct detail::Access;
    XnContext* _ = nullptr;
};

}  // namespace Orvo::OpenNI
