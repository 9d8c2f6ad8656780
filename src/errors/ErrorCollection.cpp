#include <XnOpenNI.h>

#include "Access.hpp"
#include "Orvo/OpenNI/Errors.hpp"

namespace Orvo::OpenNI {

ErrorCollection::ErrorCollection() {
    XnEnumerationErrors* errors = nullptr;
    detail::Check(xnEnumerationErrorsAllocate(&errors));
    _ = errors;
}

ErrorCollection::~ErrorCollection() {
    Dispose();
}

void ErrorCollection::Clear() {
    detail::Check(xnEnumerationErrorsClear(detail::Access::Live(*this)));
}

ErrorCollectionIterator ErrorCollection::GetEnumerator() const {
    return ErrorCollectionIterator(*this);
}

void ErrorCollection::Dispose() noexcept {
    if (_ == nullptr) {
        return;
    }
    xnEnumerationErrorsFree(_);
    _ = nullptr;
}

ErrorCollectionIterator::ErrorCollectionIterator(const ErrorCollection& collection) : _(&collection) {
    Reset();
}

void ErrorCollectionIterator::Reset() {
    iterator = xnEnumerationErrorsGetFirst(detail::Access::Live(*_));
    beforeFirst = true;
}

bool ErrorCollectionIterator::MoveNext() {
    // The position points into the collection's list: never follow it once that list is freed.
    detail::Access::Live(*_);
    if (beforeFirst) {
        beforeFirst = false;
    } else if (iterator != nullptr) {
        iterator = xnEnumerationErrorsGetNext(iterator);
    }
    return iterator != nullptr;
}

Status ErrorCollectionIterator::Current() const {
    if (beforeFirst || iterator == nullptr) {
        return Status::Ok;
    }
    detail::Access::Live(*_);
    return static_cast<Status>(xnEnumerationErrorsGetCurrentError(iterator));
}

std::any ErrorCollectionIterator::CurrentBase() const {
    return Current();
}

ErrorCollection::Iterator::Iterator(const ErrorCollection& collection) : enumerator(std::in_place, collection) {
    onEntry = enumerator->MoveNext();
}

ErrorCollection::Iterator& ErrorCollection::Iterator::operator++() {
    onEntry = enumerator->MoveNext();
    return *this;
}

}  // namespace Orvo::OpenNI
