#include "ModuleRegistry.hpp"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace Orvo::OpenNI::Testing {

namespace {

constexpr const char* kInstallPath = "OPEN_NI_INSTALL_PATH";

std::filesystem::path MakeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvo-openni-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    return pattern;
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

ModuleRegistry::ModuleRegistry(const std::vector<std::filesystem::path>& modules) : folder(MakeTemporaryFolder()) {
    std::filesystem::create_directories(folder / "var/lib/ni");
    std::string xml = "<Modules>\n";
    for (const auto& module : modules) {
        xml += "    <Module path=\"" + XmlEscaped(module.string()) + "\" />\n";
    }
    xml += "</Modules>\n";
    (void)WriteFile("var/lib/ni/modules.xml", xml);
    if (const char* previous = std::getenv(kInstallPath)) {
        previousInstallPath = previous;
    }
    setenv(kInstallPath, folder.c_str(), 1);
}

ModuleRegistry::~ModuleRegistry() {
    if (previousInstallPath) {
        setenv(kInstallPath, previousInstallPath->c_str(), 1);
    } else {
        unsetenv(kInstallPath);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::filesystem::path ModuleRegistry::WriteFile(const std::string& name, const std::string& contents) const {
    auto path = folder / name;
    std::ofstream out(path, std::ios::binary);
    out << contents;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return path;
}

std::filesystem::path ModuleRegistry::WriteConfig(const std::string& name, const std::string& nodes) const {
    return WriteFile(name, "<OpenNI>\n  <ProductionNodes>\n" + nodes + "\n  </ProductionNodes>\n</OpenNI>\n");
}

std::filesystem::path SampleModule() {
    return ORVO_OPENNI_SAMPLE_MODULE;
}
std::filesystem::path MockNodesModule() {
    return ORVO_OPENNI_MOCK_NODES_MODULE;
}
std::filesystem::path RecorderModule() {
    return ORVO_OPENNI_RECORDER_MODULE;
}
std::filesystem::path CodecsModule() {
    return ORVO_OPENNI_CODECS_MODULE;
}

std::filesystem::path VirtualSensorModule() {
#ifdef ORVO_OPENNI_VIRTUAL_SENSOR_MODULE
    return ORVO_OPENNI_VIRTUAL_SENSOR_MODULE;
#else
    throw std::runtime_error("the virtual sensor module is not part of this build");
#endif
}

std::optional<std::filesystem::path> SensorDriverModule() {
    for (const char* folder : {"/usr/lib", "/usr/lib/x86_64-linux-gnu", "/usr/lib/aarch64-linux-gnu"}) {
        std::filesystem::path candidate = std::filesystem::path(folder) / "libXnDeviceSensorV2.so.0";
        if (std::filesystem::exists(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

}  // namespace Orvo::OpenNI::Testing
