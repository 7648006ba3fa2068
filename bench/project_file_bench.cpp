// Saving and opening the largest project there can be: 32767 frames.
#include "core/project/project_file.h"
#include "core/project/settings_store.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace pictoreel;

constexpr int kFrames = 32767;

FrameList largeProject()
{
    FrameList frames;
    for (int i = 0; i < kFrames; ++i) {
        NewFrameValues values{QString::number(1 + i % 500), i % 3 == 0, 16777215 - i};
        (void)frames.AddFrameEntry(QStringLiteral("/home/ann/Pictures/holiday 2026/IMG_%1.JPG").arg(i, 5, 10, QChar(u'0')),
                                   values);
    }
    return frames;
}

// A save into a fresh file each time: parse of nothing, 32773 keys, one atomic write.
void BM_SaveProject(benchmark::State& state)
{
    const FrameList frames = largeProject();
    QTemporaryDir dir;
    int n = 0;
    for (auto _ : state) {
        ProjectProperties properties;
        const QString file = dir.filePath(QStringLiteral("big%1.agp").arg(n++));
        if (!writeProjectFile(file, frames, properties))
            state.SkipWithError("write failed");
    }
}

// A save over the same project file: every key is replaced in place.
void BM_SaveProjectOverItself(benchmark::State& state)
{
    const FrameList frames = largeProject();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.agp"));
    ProjectProperties properties;
    (void)writeProjectFile(file, frames, properties);
    int n = 0;
    for (auto _ : state) {
        properties.width = QString::number(100 + (n++ % 2));  // a real change each time
        if (!writeProjectFile(file, frames, properties))
            state.SkipWithError("write failed");
    }
}

// Opening from disk as the program does the first time it sees the file: read and parse it,
// then build the frame list.
void BM_OpenProject(benchmark::State& state)
{
    const FrameList frames = largeProject();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.agp"));
    ProjectProperties saved;
    (void)writeProjectFile(file, frames, saved);
    for (auto _ : state) {
        forgetParsedIniFiles();
        ProjectProperties properties;
        FrameList loaded;
        (void)readProjectFile(file, properties, loaded);
        if (loaded.rowCount() != kFrames)
            state.SkipWithError("wrong frame count");
    }
}

BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SaveProjectOverItself)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenProject)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
