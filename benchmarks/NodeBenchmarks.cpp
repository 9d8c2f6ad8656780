// The library's calls beside the same framework calls made by hand, on the
// framework's sample depth module. Run: build/benchmarks/orvo_openni_benchmarks
#include <XnOpenNI.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "ModuleRegistry.hpp"
#include "Orvo/OpenNI/Nodes.hpp"
#include "Orvo/OpenNI/Users.hpp"

namespace {

using namespace Orvo::OpenNI;

/// Two started contexts on the sample module's depth node: one through the
/// library, one through the C functions by hand. Shared by all benchmarks.
struct Rig {
    Testing::ModuleRegistry registry{{Testing::SampleModule()}};
    std::string config = registry.WriteConfig("depth.xml", "<Node type=\"Depth\"/>").string();
    std::shared_ptr<Context> context = Context::Create(config);
    DepthGenerator depth = DepthGenerator::Find(context);
    XnContext* rawContext = nullptr;
    XnNodeHandle raw = nullptr;

    Rig() {
        Context::Check(context->Start());
        context->WaitAndUpdateAll();
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
        Context::Check(static_cast<Status>(xnInitFromXmlFile(config.c_str(), &rawContext, nullptr)));
        Context::Check(static_cast<Status>(xnFindExistingNodeByType(rawContext, XN_NODE_TYPE_DEPTH, &raw)));
#pragma GCC diagnostic pop
        Context::Check(static_cast<Status>(xnStartGeneratingAll(rawContext)));
        Context::Check(static_cast<Status>(xnWaitAndUpdateAll(rawContext)));
    }
    ~Rig() {
        xnStopGeneratingAll(rawContext);
        xnContextRelease(rawContext);
    }
};

Rig& TheRig() {
    static Rig rig;
    return rig;
}

void CheckOk(benchmark::State& state) {
    for (auto _ : state) {
        Context::Check(Status::Ok);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CheckOk);

void DepthMapByHand(benchmark::State& state) {
    XnNodeHandle node = TheRig().raw;
    for (auto _ : state) {
        benchmark::DoNotOptimize(xnGetDepthMap(node));
    }
}
BENCHMARK(DepthMapByHand);

void DepthMap(benchmark::State& state) {
    const DepthGenerator& depth = TheRig().depth;
    for (auto _ : state) {
        benchmark::DoNotOptimize(depth.Map());
    }
}
BENCHMARK(DepthMap);

void DepthMetaDataByHand(benchmark::State& state) {
    XnNodeHandle node = TheRig().raw;
    XnDepthMetaData* record = xnAllocateDepthMetaData();
    for (auto _ : state) {
        xnGetDepthMetaData(node, record);
        benchmark::DoNotOptimize(record->pData);
    }
    xnFreeDepthMetaData(record);
}
BENCHMARK(DepthMetaDataByHand);

void DepthMetaData(benchmark::State& state) {
    const DepthGenerator& depth = TheRig().depth;
    for (auto _ : state) {
        benchmark::DoNotOptimize(depth.MetaData());
    }
}
BENCHMARK(DepthMetaData);

void OutputModeByHand(benchmark::State& state) {
    XnNodeHandle node = TheRig().raw;
    for (auto _ : state) {
        XnMapOutputMode mode{};
        benchmark::DoNotOptimize(xnGetMapOutputMode(node, &mode));
        benchmark::DoNotOptimize(mode);
    }
}
BENCHMARK(OutputModeByHand);

void OutputMode(benchmark::State& state) {
    const DepthGenerator& depth = TheRig().depth;
    for (auto _ : state) {
        benchmark::DoNotOptimize(depth.MapOutputMode());
    }
}
BENCHMARK(OutputMode);

void ConvertByHand(benchmark::State& state) {
    XnNodeHandle node = TheRig().raw;
    std::vector<XnPoint3D> in(static_cast<std::size_t>(state.range(0)), XnPoint3D{100, 100, 1000});
    std::vector<XnPoint3D> out(in.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            xnConvertProjectiveToRealWorld(node, static_cast<XnUInt32>(in.size()), in.data(), out.data()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ConvertByHand)->Arg(1)->Arg(1000);

void Convert(benchmark::State& state) {
    const DepthGenerator& depth = TheRig().depth;
    std::vector<Vector3> in(static_cast<std::size_t>(state.range(0)), Vector3(100, 100, 1000));
    std::vector<Vector3> out(in.size());
    for (auto _ : state) {
        depth.ConvertProjectiveToRealWorld(in, static_cast<std::int32_t>(in.size()), out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(Convert)->Arg(1)->Arg(1000);

}  // namespace

namespace {

/// Two contexts on the virtual sensor, each with user 1 calibrated and
/// tracked: one through the library, one through the C functions by hand.
struct UserRig {
    Testing::ModuleRegistry registry{{Testing::VirtualSensorModule()}};
    std::string config =
        registry.WriteConfig("users.xml", std::string(Testing::kFreeRunningDepthNode) + "<Node type=\"User\"/>")
            .string();
    std::shared_ptr<Context> context = Context::Create(config);
    UserGenerator users = UserGenerator::Find(context);
    XnContext* rawContext = nullptr;
    XnNodeHandle raw = nullptr;

    UserRig() {
        Context::Check(context->Start());
        // Calibration is asked for once user 1 is there and takes a second of sensor time.
        bool requested = false;
        for (int frame = 0; frame < 300 && !users.IsSkeletonTracking(1); ++frame) {
            context->WaitAndUpdateAll();
            if (!requested && users.Count() > 0) {
                users.RequestSkeletonCalibration(1, true);
                requested = true;
            } else if (requested) {
                try {
                    users.StartSkeletonTracking(1);
                } catch (const std::runtime_error&) {
                    // not calibrated yet
                }
            }
        }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
        Context::Check(static_cast<Status>(xnInitFromXmlFile(config.c_str(), &rawContext, nullptr)));
        Context::Check(static_cast<Status>(xnFindExistingNodeByType(rawContext, XN_NODE_TYPE_USER, &raw)));
#pragma GCC diagnostic pop
        Context::Check(static_cast<Status>(xnStartGeneratingAll(rawContext)));
        requested = false;
        for (int frame = 0; frame < 300 && !xnIsSkeletonTracking(raw, 1); ++frame) {
            Context::Check(static_cast<Status>(xnWaitAndUpdateAll(rawContext)));
            if (!requested && xnGetNumberOfUsers(raw) > 0) {
                requested = xnRequestSkeletonCalibration(raw, 1, TRUE) == XN_STATUS_OK;
            } else if (requested) {
                (void)xnStartSkeletonTracking(raw, 1);
            }
        }
        if (!users.IsSkeletonTracking(1) || !xnIsSkeletonTracking(raw, 1)) {
            throw std::runtime_error("user 1 is not tracked");
        }
    }
    ~UserRig() {
        xnStopGeneratingAll(rawContext);
        xnContextRelease(rawContext);
    }
};

UserRig& TheUserRig() {
    static UserRig rig;
    return rig;
}

void SkeletonJoint(benchmark::State& state) {
    const UserGenerator& users = TheUserRig().users;
    for (auto _ : state) {
        benchmark::DoNotOptimize(users.GetSkeletonJoint(1, SkeletonJoint::Head));
    }
}
BENCHMARK(SkeletonJoint);

void SkeletonJointByHand(benchmark::State& state) {
    XnNodeHandle node = TheUserRig().raw;
    for (auto _ : state) {
        XnSkeletonJointTransformation joint{};
        benchmark::DoNotOptimize(xnGetSkeletonJoint(node, 1, XN_SKEL_HEAD, &joint));
        benchmark::DoNotOptimize(joint);
    }
}
BENCHMARK(SkeletonJointByHand);

void UserCount(benchmark::State& state) {
    const UserGenerator& users = TheUserRig().users;
    for (auto _ : state) {
        benchmark::DoNotOptimize(users.Count());
    }
}
BENCHMARK(UserCount);

void UserCountByHand(benchmark::State& state) {
    XnNodeHandle node = TheUserRig().raw;
    for (auto _ : state) {
        benchmark::DoNotOptimize(xnGetNumberOfUsers(node));
    }
}
BENCHMARK(UserCountByHand);

}  // namespace
