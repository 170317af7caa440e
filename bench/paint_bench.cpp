// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of a full board repaint at the screen's own resolution.
//
//   quintora_paint_bench [Google Benchmark flags]
//
// One canvas per device pixel ratio (1, 1.5 and 2), each shown on an
// off-screen screen of that ratio, with the fixed 100-stone position of
// boards.cpp. One iteration is what the game does to show a whole board:
// `描画_盤` (361 cells into the surface, each recorded for a later change of
// screen) and a synchronous refresh of the window. Reported over 10
// repetitions as mean, median, stddev, cv, min and max.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdlib>
#include <algorithm>
#include <memory>

#include "boards.h"
#include "app/qt_canvas.h"
#include "view/view.h"

namespace quintora::bench {
namespace {

struct NoMarks : Marks {
    bool checked(Mark) const override { return false; }
    void set_checked(Mark, bool) override {}
};

QScreen* screen_of_ratio(double ratio) {
    for (QScreen* s : QGuiApplication::screens())
        if (s->devicePixelRatio() == ratio) return s;
    return nullptr;
}

void BM_board_repaint(benchmark::State& st) {
    const double ratio = double(st.range(0)) / 100.0;
    QScreen* screen = screen_of_ratio(ratio);
    if (screen == nullptr) {
        st.SkipWithError("no screen of that ratio");
        return;
    }
    auto state = std::make_unique<GameState>();
    lay(*state, make_game(100));
    NoMarks marks;
    QtCanvas canvas;
    canvas.show();
    canvas.move(screen->geometry().topLeft() + QPoint(20, 20));
    QApplication::processEvents();
    if (canvas.devicePixelRatioF() != ratio) {
        st.SkipWithError("the canvas did not take the screen's ratio");
        return;
    }
    View view(canvas, *state, marks);
    view.描画_盤();
    canvas.refresh();
    for (auto _ : st) {
        view.描画_盤();
        canvas.refresh();
    }
    st.counters["ratio"] = ratio;
    st.counters["surface_px"] = double(canvas.surface().width()) * canvas.surface().height();
    st.counters["recorded_calls"] = double(canvas.recorded_calls());
}

void add_spread(benchmark::internal::Benchmark* b) {
    b->Repetitions(10)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_board_repaint)->Name("描画_盤+refresh")->ArgName("ratio_x100")->Arg(100)->Arg(150)->Arg(200)->Apply(add_spread);

}  // namespace
}  // namespace quintora::bench

int main(int argc, char** argv) {
    // Off-screen screens of the three ratios, side by side. With screens of
    // several ratios present Qt draws text unhinted; the board is pictures.
    QTemporaryDir dir;
    const QString config = dir.filePath("screens.json");
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    f.write(R"({"screens": [
  {"name": "ratio-1", "x": 0, "y": 0, "width": 2400, "height": 1800, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
  {"name": "ratio-1.5", "x": 2400, "y": 0, "width": 2400, "height": 1800, "logicalDpi": 144, "logicalBaseDpi": 96, "dpr": 1},
  {"name": "ratio-2", "x": 4800, "y": 0, "width": 2400, "height": 1800, "logicalDpi": 192, "logicalBaseDpi": 96, "dpr": 1}
]})");
    f.close();
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config.toStdString()).c_str(), 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
