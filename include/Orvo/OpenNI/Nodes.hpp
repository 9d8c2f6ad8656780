// Production nodes: the node and generator base, depth, image and scene.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "Orvo/OpenNI/Context.hpp"
#include "Orvo/OpenNI/Errors.hpp"
#include "Orvo/OpenNI/Records.hpp"

struct XnInternalNodeData;
struct XnDepthMetaData;
struct XnSceneMetaData;

namespace Orvo::OpenNI {

/// A framework capability. Each value is one bit, but the query takes exactly one.
enum class Capability : std::int32_t {
    AlternativeViewPoint = 1,
    Cropping = 2,
    ErrorState = 4,
    ExtendedSerialization = 8,
    FrameSync = 16,
    LockAware = 32,
    Mirror = 64,
    UserPoseDetection = 128,
    UserSkeleton = 256,
    UserPosition = 512,
};

namespace detail {

void Free(const XnDepthMetaData* record) noexcept;
void Free(const XnSceneMetaData* record) noexcept;

/// A framework-allocated metadata record that a node object hands the framework
/// to fill. Every node object has its own, made on first use and freed with the
/// object; a copy of the object gets storage of its own.
template <typename Record>
class OwnedRecord {
public:
    OwnedRecord() = default;
    OwnedRecord(const OwnedRecord& /*other*/) noexcept {}
    // Each object keeps its own storage: nothing is copied, so self-assignment is harmless.
    OwnedRecord& operator=(const OwnedRecord& /*other*/) noexcept {  // NOLINT(bugprone-unhandled-self-assignment)
        return *this;
    }
    OwnedRecord(OwnedRecord&& other) noexcept : record(std::exchange(other.record, nullptr)) {}
    OwnedRecord& operator=(OwnedRecord&& other) noexcept {
        std::swap(record, other.record);
        return *this;
    }
    ~OwnedRecord() {
        if (record != nullptr) {
            Free(record);
        }
    }

    Record* record = nullptr;
};

}  // namespace detail

/// Root of the node classes: one framework node and the Context it belongs to.
///
/// Node objects are cheap handles: copies and the results of several Find()
/// calls act on the same framework node. The framework owns the node; it lives
/// until its Context is disposed, after which every operation on the node
/// throws std::runtime_error instead of reaching the freed node.
class Node {
public:
    /// True when the node supports `oneOfCapability`; false without asking the
    /// framework for a value that is not exactly one Capability.
    [[nodiscard]] bool IsCapabilitySupported(Capability oneOfCapability) const;

protected:
    Node() = default;
    Node(std::shared_ptr<Context> context, XnInternalNodeData* handle) noexcept
        : _(handle), context(std::move(context)) {}
    ~Node() = default;
    Node(const Node&) = default;
    Node& operator=(const Node&) = default;
    Node(Node&&) noexcept = default;
    Node& operator=(Node&&) noexcept = default;

private:
    friend struct detail::Access;
    XnInternalNodeData* _ = nullptr;
    std::shared_ptr<Context> context;
};

/// A node that generates data: waiting, map output mode and viewpoint.
class Generator : public Node {
public:
    /// Waits until this node has new data and updates all nodes; the
    /// framework's status is returned, never thrown.
    Status Wait();
    [[nodiscard]] OpenNI::MapOutputMode MapOutputMode() const;
    void SetMapOutputMode(const OpenNI::MapOutputMode& mode);
    /// Takes the viewpoint of `other`; null resets this generator's own viewpoint.
    void SetViewPoint(const Generator* other);
    [[nodiscard]] bool IsViewPointAs(const Generator& other) const;
    [[nodiscard]] bool IsViewPointSupported(const Generator& other) const;

protected:
    using Node::Node;
};

/// The depth node: 16-bit depth maps, their metadata, the field of view and
/// conversions between projective and real-world coordinates.
class DepthGenerator : public Generator {
public:
    /// Creates a new depth node in `context`.
    explicit DepthGenerator(const std::shared_ptr<Context>& context);
    /// The depth node that `context` already holds.
    [[nodiscard]] static DepthGenerator Find(std::shared_ptr<Context> context);

    /// The framework's current depth map (null when it has none).
    [[nodiscard]] const std::uint16_t* Map() const;
    /// The current frame's metadata. Map points at the frame's map description
    /// (an XnMapMetaData) kept by this object until its next MetaData() call,
    /// Data at the framework's depth pixels.
    [[nodiscard]] DepthMetaData MetaData() const;
    [[nodiscard]] OpenNI::FieldOfView FieldOfView() const;

    /// Converts the first `count` points in place into `realWorldPoints`.
    /// Throws std::invalid_argument for a negative count or a missing (null)
    /// or too short array, std::out_of_range for an empty array; a failure of
    /// the framework is not reported.
    void ConvertProjectiveToRealWorld(std::span<const Vector3> projectivePoints, std::int32_t count,
                                      std::span<Vector3> realWorldPoints) const;
    void ConvertRealWorldToProjective(std::span<const Vector3> realWorldPoints, std::int32_t count,
                                      std::span<Vector3> projectivePoints) const;

private:
    DepthGenerator(std::shared_ptr<Context> context, XnInternalNodeData* depthGenerator) noexcept
        : Generator(std::move(context), depthGenerator) {}

    mutable detail::OwnedRecord<XnDepthMetaData> metaData;
};

/// The image node that a context holds (made from a configuration file, say).
class ImageGenerator : public Generator {
public:
    /// The image node that `context` already holds; no node is created.
    explicit ImageGenerator(const std::shared_ptr<Context>& context);
    [[nodiscard]] static ImageGenerator Find(std::shared_ptr<Context> context);

    /// The framework's current image buffer (null when it has none).
    [[nodiscard]] const std::uint8_t* Map() const;

private:
    ImageGenerator(std::shared_ptr<Context> context, XnInternalNodeData* imageGenerator) noexcept
        : Generator(std::move(context), imageGenerator) {}
};

/// A new scene analyzer node: floor plane, label map and scene metadata.
class SceneAnalyzer : public Node {
public:
    /// `errors` (may be null or disposed) receives what the framework records.
    explicit SceneAnalyzer(const std::shared_ptr<Context>& context, ErrorCollection* errors = nullptr);

    /// The floor plane; absent when the framework cannot give one.
    [[nodiscard]] std::optional<PositionNormal> Floor() const;
    /// The current frame's metadata; Map is kept by this object until its next
    /// MetaData() call, Labels points at the framework's labels.
    [[nodiscard]] SceneMetaData MetaData() const;
    /// The framework's current label map (null when it has none).
    [[nodiscard]] const std::uint16_t* LabelMap() const;

private:
    mutable detail::OwnedRecord<XnSceneMetaData> metaData;
};

}  // namespace Orvo::OpenNI
