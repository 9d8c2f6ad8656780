#include <XnOpenNI.h>

#include "Access.hpp"
#include "Orvo/OpenNI/Context.hpp"
#include "context/StringToCharPtr.hpp"

namespace Orvo::OpenNI {

namespace {

XnContext* InitFromXmlFile(const detail::StringToCharPtr& path, ErrorCollection* errors) {
    XnContext* context = nullptr;
    // The library keeps the framework's original initialisation call: it
    // builds no script node that the caller would have to release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
    detail::Check(xnInitFromXmlFile(path.ToPointer(), &context, detail::Access::ErrorsOrNull(errors)));
#pragma GCC diagnostic pop
    return context;
}

}  // namespace

Context::Context() {
    XnContext* context = nullptr;
    detail::Check(xnInit(&context));
    _ = context;
}

Context::Context(const char* configXmlFilePath, ErrorCollection* errors)
    : _(InitFromXmlFile(detail::StringToCharPtr(configXmlFilePath), errors)) {}

Context::Context(const std::string& configXmlFilePath, ErrorCollection* errors)
    : _(InitFromXmlFile(detail::StringToCharPtr(std::string_view(configXmlFilePath)), errors)) {}

Context::Context(const wchar_t* configXmlFilePath, ErrorCollection* errors)
    : _(InitFromXmlFile(detail::StringToCharPtr(configXmlFilePath), errors)) {}

Context::Context(const std::wstring& configXmlFilePath, ErrorCollection* errors)
    : _(InitFromXmlFile(detail::StringToCharPtr(std::wstring_view(configXmlFilePath)), errors)) {}

Context::~Context() {
    Dispose();
}

Status Context::Start() {
    return static_cast<Status>(xnStartGeneratingAll(detail::Access::Live(*this)));
}

Status Context::Stop() {
    return static_cast<Status>(xnStopGeneratingAll(detail::Access::Live(*this)));
}

void Context::WaitAndUpdateAll() {
    detail::Check(xnWaitAndUpdateAll(detail::Access::Live(*this)));
}

void Context::Dispose() noexcept {
    if (_ == nullptr) {
        return;
    }
    // Shutting down does not stop generation: a module's own generating thread
    // (the framework's sample module has one) would run on over the freed nodes
    // and crash the process later. Stop first; its status is of no use here.
    (void)xnStopGeneratingAll(_);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
    xnShutdown(_);
#pragma GCC diagnostic pop
    _ = nullptr;
}

}  // namespace Orvo::OpenNI
