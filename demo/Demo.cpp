// Orvo::OpenNI demo: opens a framework configuration (the virtual sensor's by
// default), runs the update loop and reports what the depth, image and scene
// nodes see; writes the last frame as PNG pictures.
//
//   orvo_openni_demo [configuration.xml] [frames] [output folder]
#include <XnTypes.h>  // the layout of the map description that metadata points at
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "Orvo/OpenNI.hpp"

namespace {

using namespace Orvo::OpenNI;

struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

void WritePng(const std::filesystem::path& path, const Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) == 0) {
        throw std::runtime_error("cannot write " + path.string() + ": " + image.message);
    }
    std::cout << "  wrote " << path.string() << '\n';
}

/// Near is bright, far is dark, no reading is black.
Picture DepthPicture(const std::uint16_t* depth, const MapOutputMode& mode, std::uint16_t maxDepth) {
    Picture picture{mode.Width, mode.Height, std::vector<std::uint8_t>(std::size_t{mode.Width} * mode.Height * 3)};
    for (std::size_t i = 0; i < std::size_t{mode.Width} * mode.Height; ++i) {
        const std::uint8_t value =
            depth[i] == 0
                ? 0
                : static_cast<std::uint8_t>(255 - std::min<std::uint32_t>(depth[i], maxDepth) * 230u / maxDepth);
        picture.rgb[3 * i] = picture.rgb[3 * i + 1] = picture.rgb[3 * i + 2] = value;
    }
    return picture;
}

/// Each person in a colour of their own over the grey depth picture.
Picture LabelPicture(const std::uint16_t* labels, Picture depthPicture) {
    static const std::uint8_t colours[][3] = {{230, 60, 60}, {60, 200, 80}, {70, 110, 240}, {240, 200, 40}};
    for (std::size_t i = 0; i < std::size_t{depthPicture.width} * depthPicture.height; ++i) {
        if (labels[i] != 0) {
            const auto& colour = colours[(labels[i] - 1) % 4];
            for (int c = 0; c < 3; ++c) {
                depthPicture.rgb[3 * i + c] = static_cast<std::uint8_t>((colour[c] + depthPicture.rgb[3 * i + c]) / 2);
            }
        }
    }
    return depthPicture;
}

/// Pixels and real-world centre of each labelled person, through the depth node's conversion.
void ReportPeople(const DepthGenerator& depth, const SceneAnalyzer& scene, const MapOutputMode& mode) {
    const std::uint16_t* labels = scene.LabelMap();
    const std::uint16_t* depths = depth.Map();
    if (labels == nullptr || depths == nullptr) {
        return;
    }
    std::map<std::uint16_t, std::vector<Vector3>> people;
    for (std::uint32_t y = 0; y < mode.Height; ++y) {
        for (std::uint32_t x = 0; x < mode.Width; ++x) {
            const std::size_t i = std::size_t{y} * mode.Width + x;
            if (labels[i] != 0 && depths[i] != 0) {
                people[labels[i]].emplace_back(static_cast<float>(x), static_cast<float>(y), depths[i]);
            }
        }
    }
    if (people.empty()) {
        std::cout << "  nobody in the room\n";
    }
    for (const auto& [label, projective] : people) {
        std::vector<Vector3> world(projective.size());
        depth.ConvertProjectiveToRealWorld(projective, static_cast<std::int32_t>(projective.size()), world);
        Vector3 centre;
        for (const Vector3& point : world) {
            centre.X += point.X / static_cast<float>(world.size());
            centre.Y += point.Y / static_cast<float>(world.size());
            centre.Z += point.Z / static_cast<float>(world.size());
        }
        std::cout << "  person " << label << ": " << projective.size() << " pixels, centre at (" << centre.ToString()
                  << ") mm\n";
    }
}

/// Where each tracked user's head and hands are.
void ReportSkeletons(const UserGenerator& users) {
    std::uint16_t ids[16];
    const std::int32_t count = users.GetUsers(ids);
    for (std::int32_t i = 0; i < count; ++i) {
        if (!users.IsSkeletonTracking(ids[i])) {
            continue;
        }
        std::cout << "  skeleton of user " << ids[i] << ':';
        for (auto [joint, name] :
             {std::pair{SkeletonJoint::Head, "head"}, std::pair{SkeletonJoint::LeftHand, "left hand"},
              std::pair{SkeletonJoint::RightHand, "right hand"}}) {
            if (auto transform = users.GetSkeletonJoint(ids[i], joint)) {
                std::cout << ' ' << name << " (" << transform->Position.Position.ToString() << ")";
            }
        }
        std::cout << '\n';
    }
}

int Run(int argc, char** argv) {
    const std::string config = argc > 1 ? argv[1] : ORVO_OPENNI_DEMO_CONFIG;
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 240;
    const std::filesystem::path output = argc > 3 ? argv[3] : ".";

    std::cout << "Opening " << config << '\n';
    ErrorCollection errors;
    std::shared_ptr<Context> context;
    try {
        context = Context::Create(config, &errors);
    } catch (const std::runtime_error& e) {
        std::cerr << "Cannot open the configuration: " << e.what() << '\n';
        for (Status status : errors) {
            std::cerr << "  the framework also reported status " << std::hex << static_cast<std::uint32_t>(status)
                      << std::dec << '\n';
        }
        std::cerr << "Is OPEN_NI_INSTALL_PATH set to a module registry that provides these nodes?\n";
        return 1;
    }

    DepthGenerator depth = DepthGenerator::Find(context);
    std::optional<ImageGenerator> image;
    try {
        image = ImageGenerator::Find(context);
    } catch (const std::runtime_error& e) {
        std::cout << "No image node: " << e.what() << '\n';
    }
    SceneAnalyzer scene(context, &errors);

    // Users: calibrate whoever comes in, track whoever calibrated.
    std::optional<UserGenerator> users;
    std::vector<EventSubscription> subscriptions;
    try {
        users = UserGenerator::Find(context);
    } catch (const std::runtime_error& e) {
        std::cout << "No user node: " << e.what() << '\n';
    }
    if (users) {
        UserGenerator& tracker = *users;
        subscriptions.push_back(tracker.SubscribeUserEntered([&tracker](std::uint16_t user) {
            std::cout << "  user " << user << " entered; calibrating\n";
            tracker.RequestSkeletonCalibration(user, true);
        }));
        subscriptions.push_back(tracker.SubscribeCalibrationEnd([&tracker](std::uint16_t user, bool success) {
            std::cout << "  user " << user << (success ? " calibrated; tracking\n" : " failed to calibrate\n");
            if (success) {
                tracker.StartSkeletonTracking(user);
            }
        }));
        subscriptions.push_back(
            tracker.SubscribeUserLeft([](std::uint16_t user) { std::cout << "  user " << user << " left\n"; }));
    }

    const MapOutputMode mode = depth.MapOutputMode();
    std::cout << "Depth " << mode.ToString() << " (width, height, frames per second), field of view "
              << depth.FieldOfView().ToString() << " rad\n";
    Context::Check(context->Start());

    for (int frame = 1; frame <= frames; ++frame) {
        context->WaitAndUpdateAll();
        if (frame % 30 != 0 && frame != frames) {
            continue;
        }
        const DepthMetaData metaData = depth.MetaData();
        const auto& map = *reinterpret_cast<const XnMapMetaData*>(metaData.Map);
        const std::uint16_t* depths = depth.Map();
        std::cout << "Frame " << map.pOutput->nFrameID << ": depth at the centre "
                  << depths[std::size_t{mode.Height / 2} * mode.Width + mode.Width / 2] << " mm of at most "
                  << metaData.Depth << " mm\n";
        if (auto floor = scene.Floor()) {
            std::cout << "  floor " << floor->ToString() << '\n';
        }
        ReportPeople(depth, scene, mode);
        if (users) {
            ReportSkeletons(*users);
        }
    }

    std::filesystem::create_directories(output);
    // Scaled to the farthest reading of this frame, so that near and far stand apart.
    const std::uint16_t* depths = depth.Map();
    const std::uint16_t farthest =
        std::max<std::uint16_t>(*std::max_element(depths, depths + std::size_t{mode.Width} * mode.Height), 1);
    const Picture depthPicture = DepthPicture(depths, mode, farthest);
    WritePng(output / "depth.png", depthPicture);
    WritePng(output / "labels.png", LabelPicture(scene.LabelMap(), depthPicture));
    if (image && image->Map() != nullptr) {
        const MapOutputMode imageMode = image->MapOutputMode();
        const std::uint8_t* pixels = image->Map();
        WritePng(output / "image.png", Picture{imageMode.Width, imageMode.Height,
                                               std::vector<std::uint8_t>(pixels, pixels + std::size_t{imageMode.Width} *
                                                                                              imageMode.Height * 3)});
    }
    Context::Check(context->Stop());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "Error: " << e.what() << '\n';
        return 1;
    }
}
