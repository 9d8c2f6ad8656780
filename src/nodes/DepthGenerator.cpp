#include <XnOpenNI.h>

#include <new>
#include <stdexcept>

#include "Access.hpp"
#include "Orvo/OpenNI/Nodes.hpp"
#include "nodes/Lookup.hpp"
#include "nodes/MetaData.hpp"

namespace Orvo::OpenNI {

namespace {

using ConvertFunction = XnStatus (*)(XnNodeHandle, XnUInt32, const XnPoint3D*, XnPoint3D*);

/// Both conversions: every argument is checked before the framework is asked,
/// and the framework's status is not reported.
void Convert(ConvertFunction convert, const Node& node, std::span<const Vector3> source, std::int32_t count,
             std::span<Vector3> destination) {
    const auto holds = [count](auto points) {
        return points.data() != nullptr && points.size() >= static_cast<std::size_t>(count);
    };
    if (count < 0 || !holds(source) || !holds(destination)) {
        throw std::invalid_argument("a point array is missing or shorter than the count, or the count is negative");
    }
    if (source.empty() || destination.empty()) {
        throw std::out_of_range("a point array is empty");
    }
    (void)convert(detail::Access::Live(node), static_cast<XnUInt32>(count),
                  reinterpret_cast<const XnPoint3D*>(source.data()), reinterpret_cast<XnPoint3D*>(destination.data()));
}

}  // namespace

DepthGenerator::DepthGenerator(const std::shared_ptr<Context>& context)
    : Generator(context, detail::CreateNode(xnCreateDepthGenerator, context, nullptr)) {}

DepthGenerator DepthGenerator::Find(std::shared_ptr<Context> context) {
    XnNodeHandle node = detail::FindNode(context, XN_NODE_TYPE_DEPTH);
    return DepthGenerator(std::move(context), node);
}

const std::uint16_t* DepthGenerator::Map() const {
    return xnGetDepthMap(detail::Access::Live(*this));
}

DepthMetaData DepthGenerator::MetaData() const {
    XnNodeHandle node = detail::Access::Live(*this);
    XnDepthMetaData* record = detail::StorageFor(metaData);
    xnGetDepthMetaData(node, record);
    return detail::ToRecord(*record);
}

FieldOfView DepthGenerator::FieldOfView() const {
    OpenNI::FieldOfView fieldOfView;
    detail::Check(xnGetDepthFieldOfView(detail::Access::Live(*this), reinterpret_cast<XnFieldOfView*>(&fieldOfView)));
    return fieldOfView;
}

void DepthGenerator::ConvertProjectiveToRealWorld(std::span<const Vector3> projectivePoints, std::int32_t count,
                                                  std::span<Vector3> realWorldPoints) const {
    Convert(xnConvertProjectiveToRealWorld, *this, projectivePoints, count, realWorldPoints);
}

void DepthGenerator::ConvertRealWorldToProjective(std::span<const Vector3> realWorldPoints, std::int32_t count,
                                                  std::span<Vector3> projectivePoints) const {
    Convert(xnConvertRealWorldToProjective, *this, realWorldPoints, count, projectivePoints);
}

}  // namespace Orvo::OpenNI
