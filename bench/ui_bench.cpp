// The main window's own time: a file of 500 icons loaded by a drop, from the load step to the
// last label drawn, cold (nothing cached) and again; the redraw after a resize; and any
// files named in TESSALINE_BENCH_FILES (colon-separated), cold.
#include "app/frm_Vantorel.h"
#include "forms/win_icons.h"
#include "support/fixtures/fixtures.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <memory>
#include <optional>

namespace {

namespace fx = tess::fixtures;

// The window as the user sees it at start: shown, at its first size (its surface laid out).
void shown(frm_Vantorel& w) {
    w.show();
    QApplication::processEvents();
}

void dropFile(frm_Vantorel& w, const QString& path) {
    tess::loading::DropData data{{path}};
    std::int32_t effect = 0;
    std::int16_t button = 0, shift = 0;
    float x = 0, y = 0;
    w.pic_IconDisplay_OLEDragDrop(data, effect, button, shift, x, y);
}

// Each load goes to a fresh window, as the first load after start-up does.
void Load(benchmark::State& state, const QString& path, bool cold) {
    int icons = 0;
    tess::forms::InstalledIconFunctions warm;
    for (auto _ : state) {
        state.PauseTiming();
        std::optional<tess::forms::InstalledIconFunctions> fresh; // nothing parsed or decoded
        if (cold) fresh.emplace();
        auto w = std::make_unique<frm_Vantorel>();
        shown(*w);
        state.ResumeTiming();
        dropFile(*w, path);
        icons = w->state().iconCount;
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.counters["icons"] = icons;
}

void Redraw(benchmark::State& state, const QString& path) {
    frm_Vantorel w;
    shown(w);
    dropFile(w, path);
    for (auto _ : state)
        w.tim_UpdateDisplayTimer_Timer();
    state.counters["icons"] = w.state().iconCount;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fx::TempDir dir;
    const QString many = QString::fromStdString(dir.file("many.dll"));
    fx::writeFile(many.toStdString(), fx::makeSolidPe(500));
    benchmark::RegisterBenchmark("LoadAndDraw500/cold", Load, many, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("LoadAndDraw500/warm", Load, many, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResizeRedraw500", Redraw, many)->Unit(benchmark::kMillisecond);
    for (const QString& f :
         qEnvironmentVariable("TESSALINE_BENCH_FILES").split(u':', Qt::SkipEmptyParts))
        benchmark::RegisterBenchmark(("LoadAndDraw/cold/" + f).toStdString().c_str(), Load, f, true)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
