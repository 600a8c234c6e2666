#pragma once

// What the view benchmarks share: a Qt application on the offscreen platform (unless another one is
// asked for) with the benchmark's views built once before the runs, and the pumping of the message
// thread the views post to.

#include "platform/msg/MessageTarget.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace orv::bench {

// Delivers what was posted to `thread`, including what the deliveries post.
inline void DrainMessages(MessageThread& thread) {
    while (thread.GetPendingCount() > 0) {
        thread.Pump();
    }
}

// Builds `Bench` under a QApplication, points `current` at it for the runs, and runs the
// benchmarks the command line selects.
template <class Bench> int RunOffscreenViewBenchmarks(int argc, char** argv, Bench*& current) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    Bench bench;
    current = &bench;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    current = nullptr;
    return 0;
}

} // namespace orv::bench
