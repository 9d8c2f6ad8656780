#include <XnOpenNI.h>

#include "Access.hpp"
#include "Orvo/OpenNI/Nodes.hpp"
#include "nodes/Lookup.hpp"

namespace Orvo::OpenNI {

ImageGenerator::ImageGenerator(const std::shared_ptr<Context>& context)
    : Generator(context, detail::FindNode(context, XN_NODE_TYPE_IMAGE)) {}

ImageGenerator ImageGenerator::Find(std::shared_ptr<Context> context) {
    XnNodeHandle node = detail::FindNode(context, XN_NODE_TYPE_IMAGE);
    return ImageGenerator(std::move(context), node);
}

const std::uint8_t* ImageGenerator::Map() const {
    return xnGetImageMap(detail::Access::Live(*this));
}

}  // namespace Orvo::OpenNI
