// A private OpenNI module registry for the tests that run the real framework.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace Orvo::OpenNI::Testing {

/// Builds `<temporary folder>/var/lib/ni/modules.xml` listing `modules` and
/// points OPEN_NI_INSTALL_PATH at the folder, so that contexts made while it is
/// alive load exactly these modules and never the system registry. The folder
/// is removed and the variable restored on destruction.
class ModuleRegistry {
public:
    explicit ModuleRegistry(const std::vector<std::filesystem::path>& modules);
    ~ModuleRegistry();
    ModuleRegistry(const ModuleRegistry&) = delete;
    ModuleRegistry& operator=(const ModuleRegistry&) = delete;

    [[nodiscard]] const std::filesystem::path& Folder() const { return folder; }
    /// Writes `contents` to `name` inside the folder and returns its path.
    [[nodiscard]] std::filesystem::path WriteFile(const std::string& name, const std::string& contents) const;
    /// Writes an OpenNI configuration whose ProductionNodes element holds `nodes`.
    [[nodiscard]] std::filesystem::path WriteConfig(const std::string& name, const std::string& nodes) const;

private:
    std::filesystem::path folder;
    std::optional<std::string> previousInstallPath;
};

/// A virtual sensor depth node on which every update brings the next frame at
/// once, to put into a configuration beside other nodes.
inline constexpr const char* kFreeRunningDepthNode =
    R"(<Node type="Depth"><Configuration><Property type="string" name="Pacing" value="FreeRunning"/></Configuration></Node>)";

/// The framework's own modules, as found when the tests were built.
std::filesystem::path SampleModule();
std::filesystem::path MockNodesModule();
std::filesystem::path RecorderModule();
std::filesystem::path CodecsModule();
/// The project's virtual sensor module, built with the tests.
std::filesystem::path VirtualSensorModule();
/// The framework's driver for Kinect-style sensors, when its package is installed.
std::optional<std::filesystem::path> SensorDriverModule();

}  // namespace Orvo::OpenNI::Testing
