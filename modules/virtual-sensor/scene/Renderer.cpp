#include "Renderer.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Orvo::VirtualSensor {

namespace {

constexpr double kNoHit = -1.0;
const Vec3 kLight = Normalized({0.4, 1.0, -0.5});  // room frame, towards the light

/// Distance along the unit ray `direction` from the camera to a sphere.
double IntersectSphere(Vec3 direction, Vec3 centre, double radius) {
    const double b = -Dot(direction, centre);
    const double c = Dot(centre, centre) - radius * radius;
    const double h = b * b - c;
    if (h < 0.0) {
        return kNoHit;
    }
    const double t = -b - std::sqrt(h);
    return t > 0.0 ? t : kNoHit;
}

/// Distance along the unit ray `direction` from the camera to a capsule.
double IntersectCapsule(Vec3 direction, Vec3 a, Vec3 b, double radius) {
    const Vec3 ba = b - a;
    const Vec3 oa = -a;
    const double baba = Dot(ba, ba);
    const double bard = Dot(ba, direction);
    const double baoa = Dot(ba, oa);
    const double rdoa = Dot(direction, oa);
    const double oaoa = Dot(oa, oa);
    const double qa = baba - bard * bard;
    if (qa <= 1e-9 * baba) {
        // Looking along the axis: only the nearer end cap can be hit first.
        const double ta = IntersectSphere(direction, a, radius);
        const double tb = IntersectSphere(direction, b, radius);
        if (ta < 0.0) {
            return tb;
        }
        return tb < 0.0 ? ta : std::min(ta, tb);
    }
    const double qb = baba * rdoa - baoa * bard;
    const double qc = baba * oaoa - baoa * baoa - radius * radius * baba;
    const double h = qb * qb - qa * qc;
    if (h < 0.0) {
        return kNoHit;
    }
    const double t = (-qb - std::sqrt(h)) / qa;
    const double y = baoa + t * bard;
    if (y > 0.0 && y < baba) {
        return t > 0.0 ? t : kNoHit;
    }
    return IntersectSphere(direction, y <= 0.0 ? a : b, radius);
}

Vec3 ClosestOnSegment(Vec3 p, Vec3 a, Vec3 b) {
    const Vec3 ab = b - a;
    const double t = std::clamp(Dot(p - a, ab) / Dot(ab, ab), 0.0, 1.0);
    return a + ab * t;
}

/// A solid moved into the camera's real-world frame, with its pixel rectangle.
struct Placed {
    Solid solid;
    std::uint16_t owner = 0;
    Rgb colour;
    std::int64_t left = 0, right = -1, top = 0, bottom = -1;  // inclusive
};

void Bound(Vec3 centre, double radius, double& minX, double& maxX, double& minY, double& maxY) {
    const double nearZ = std::max(centre.z - radius, 1.0);
    const double farZ = std::max(centre.z + radius, 1.0);
    for (double x : {centre.x - radius, centre.x + radius}) {
        for (double z : {nearZ, farZ}) {
            minX = std::min(minX, x / z);
            maxX = std::max(maxX, x / z);
        }
    }
    for (double y : {centre.y - radius, centre.y + radius}) {
        for (double z : {nearZ, farZ}) {
            minY = std::min(minY, y / z);
            maxY = std::max(maxY, y / z);
        }
    }
}

Placed Place(const Camera& camera, const Solid& solid, std::uint16_t owner, const Appearance& look) {
    Placed placed;
    placed.solid = solid;
    placed.solid.a = camera.ToRealWorld(solid.a);
    placed.solid.b = camera.ToRealWorld(solid.b);
    placed.owner = owner;
    switch (solid.material) {
        case Material::Skin:
            placed.colour = look.skin;
            break;
        case Material::Shirt:
            placed.colour = look.shirt;
            break;
        case Material::Trousers:
            placed.colour = look.trousers;
            break;
        default:
            placed.colour = look.shoes;
            break;
    }
    double minX = std::numeric_limits<double>::max(), maxX = -minX, minY = minX, maxY = -minX;
    Bound(placed.solid.a, solid.radius, minX, maxX, minY, maxY);
    if (solid.kind == Solid::Kind::Capsule) {
        Bound(placed.solid.b, solid.radius, minX, maxX, minY, maxY);
    }
    const double w = camera.width;
    const double h = camera.height;
    placed.left =
        std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor((minX / camera.XToZ() + 0.5) * w)) - 1);
    placed.right = std::min<std::int64_t>(camera.width - 1,
                                          static_cast<std::int64_t>(std::ceil((maxX / camera.XToZ() + 0.5) * w)) + 1);
    placed.top = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor((0.5 - maxY / camera.YToZ()) * h)) - 1);
    placed.bottom = std::min<std::int64_t>(camera.height - 1,
                                           static_cast<std::int64_t>(std::ceil((0.5 - minY / camera.YToZ()) * h)) + 1);
    return placed;
}

std::uint8_t Shade(std::uint8_t channel, double light) {
    return static_cast<std::uint8_t>(std::lround(channel * light));
}

}  // namespace

std::uint16_t QuantizeDepth(double z) {
    if (!(z > 0.0) || z > Optics::kMaxDepth) {
        return 0;
    }
    return static_cast<std::uint16_t>(std::lround(z));
}

void Renderer::Prepare(const Camera& camera, bool colour) {
    if (!ready || !(camera == prepared)) {
        prepared = camera;
        ready = true;
        roomColoured = false;
        const std::size_t count = std::size_t{camera.width} * camera.height;
        rays.resize(count);
        roomZ.resize(count);
        roomDepth.resize(count);
        const double floorY = -camera.position.y;
        const double wallZ = Room::kWallDistance - camera.position.z;
        Camera plain = camera;
        plain.mirror = false;
        for (std::uint32_t v = 0; v < camera.height; ++v) {
            for (std::uint32_t u = 0; u < camera.width; ++u) {
                const std::size_t i = std::size_t{v} * camera.width + u;
                // A mirrored camera's column u is the exact reflection of the
                // plain camera's column (width - u): mirrored frames are plain
                // frames reflected about the optical axis, bit for bit.
                const Vec3 ray = camera.mirror
                                     ? camera.DirectionToRealWorld(plain.FromProjective(camera.width - u, v, 1.0))
                                     : camera.FromProjective(u, v, 1.0);
                rays[i] = Normalized(ray);
                double z = wallZ;
                if (ray.y < 0.0) {
                    z = std::min(z, floorY / ray.y);
                }
                roomZ[i] = z;
                roomDepth[i] = QuantizeDepth(z);
            }
        }
    }
    if (colour && !roomColoured) {
        roomColoured = true;
        roomRgb.resize(rays.size() * 3);
        const double wallZ = Room::kWallDistance - camera.position.z;
        for (std::size_t i = 0; i < rays.size(); ++i) {
            const Vec3 ray = rays[i] * (1.0 / rays[i].z);
            const double z = roomZ[i];
            std::uint8_t grey = 205;
            Vec3 normal{0.0, 0.0, -1.0};
            if (z < wallZ) {
                const Vec3 room = camera.FromRealWorld(ray * z);
                const auto tileX = static_cast<std::int64_t>(std::floor(room.x / Room::kTileSize));
                const auto tileZ = static_cast<std::int64_t>(std::floor(room.z / Room::kTileSize));
                grey = ((tileX + tileZ) % 2 == 0) ? 180 : 120;
                normal = {0.0, 1.0, 0.0};
            }
            const double light = (0.45 + 0.55 * std::max(0.0, Dot(normal, kLight))) * (1.0 - 0.25 * z / wallZ);
            std::fill_n(roomRgb.begin() + static_cast<std::ptrdiff_t>(i * 3), 3, Shade(grey, light));
        }
    }
}

void Renderer::Render(const std::vector<PersonInView>& people, const Camera& camera, bool colour, Frame& frame) {
    Prepare(camera, colour);
    const std::size_t count = rays.size();
    zBuffer.assign(roomZ.begin(), roomZ.end());
    hits.assign(count, -1);

    std::vector<Placed> placed;
    for (const PersonInView& person : people) {
        for (const Solid& solid : person.body.solids) {
            placed.push_back(Place(camera, solid, person.id, person.appearance));
        }
    }
    for (std::size_t s = 0; s < placed.size(); ++s) {
        const Placed& p = placed[s];
        for (std::int64_t v = p.top; v <= p.bottom; ++v) {
            for (std::int64_t u = p.left; u <= p.right; ++u) {
                const std::size_t i = static_cast<std::size_t>(v) * camera.width + static_cast<std::size_t>(u);
                const Vec3 ray = rays[i];
                const double t = p.solid.kind == Solid::Kind::Sphere
                                     ? IntersectSphere(ray, p.solid.a, p.solid.radius)
                                     : IntersectCapsule(ray, p.solid.a, p.solid.b, p.solid.radius);
                if (t > 0.0) {
                    const double z = t * ray.z;
                    if (z < zBuffer[i]) {
                        zBuffer[i] = z;
                        hits[i] = static_cast<std::int32_t>(s);
                    }
                }
            }
        }
    }

    frame.width = camera.width;
    frame.height = camera.height;
    frame.depth.resize(count);
    frame.labels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t hit = hits[i];
        frame.depth[i] = hit < 0 ? roomDepth[i] : QuantizeDepth(zBuffer[i]);
        frame.labels[i] = hit < 0 ? 0 : placed[static_cast<std::size_t>(hit)].owner;
    }
    if (!colour) {
        frame.rgb.clear();
        return;
    }
    frame.rgb.assign(roomRgb.begin(), roomRgb.end());
    const Vec3 light = camera.DirectionToRealWorld(kLight);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t hit = hits[i];
        if (hit < 0) {
            continue;
        }
        const Placed& p = placed[static_cast<std::size_t>(hit)];
        const Vec3 point = rays[i] * (zBuffer[i] / rays[i].z);
        const Vec3 axis =
            p.solid.kind == Solid::Kind::Sphere ? p.solid.a : ClosestOnSegment(point, p.solid.a, p.solid.b);
        const double shade = 0.35 + 0.65 * std::max(0.0, Dot(Normalized(point - axis), light));
        frame.rgb[i * 3 + 0] = Shade(p.colour.r, shade);
        frame.rgb[i * 3 + 1] = Shade(p.colour.g, shade);
        frame.rgb[i * 3 + 2] = Shade(p.colour.b, shade);
    }
}

std::shared_ptr<const Frame> BlankFrame(std::uint32_t width, std::uint32_t height) {
    auto frame = std::make_shared<Frame>();
    frame->width = width;
    frame->height = height;
    frame->depth.assign(std::size_t{width} * height, 0);
    frame->labels = frame->depth;
    frame->rgb.assign(std::size_t{width} * height * 3, 0);
    return frame;
}

}  // namespace Orvo::VirtualSensor
