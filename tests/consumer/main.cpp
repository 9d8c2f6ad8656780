// Uses every public header through the one include of the installed package.
#include <Orvo/OpenNI.hpp>
#include <iostream>

int main(int argc, char** argv) {
    using namespace Orvo::OpenNI;
    try {
        auto context = Context::Create(argc > 1 ? argv[1] : "missing.xml");
        DepthGenerator depth = DepthGenerator::Find(context);
        std::cout << depth.MapOutputMode().ToString() << '\n';
    } catch (const std::runtime_error& e) {
        std::cout << e.what() << '\n';
    }
    return 0;
}
