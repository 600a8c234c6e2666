// The overlay painter and picture loading: a generated board drawing of 50,000 primitives painted into
// a 1000 x 600 picture against QPainter drawing 50,000 plain lines into the same picture (goal: within
// 3 times); the same board painted run by run as the heat map's board layer paints a project's drawing
// against painting it whole (goal: within 1.5 times); copying and turning that drawing against its
// painting (goal: within 2 times); loading a
// 24-megapixel JPEG against QImageReader decoding the same file (goal: within 1.5 times, and bytes
// allocated under three times the decoded picture's).
#include "core/drawing/DrawList.h"
#include "overlay/COverlayControlDrawList.h"
#include "overlay/COverlayUtility.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// Every heap allocation of the process (Qt's image buffers and the decoders' included) goes through
// these while the counter runs; glibc's own entry points do the work.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

std::atomic<bool> g_counting{false};
std::atomic<uint64_t> g_allocated{0};

void Count(size_t bytes) {
    if (g_counting.load(std::memory_order_relaxed)) {
        g_allocated.fetch_add(bytes, std::memory_order_relaxed);
    }
}

} // namespace

extern "C" {
void* malloc(size_t size) {
    Count(size);
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    Count(count * size);
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
    Count(size);
    return __libc_realloc(pointer, size);
}
void* memalign(size_t alignment, size_t size) {
    Count(size);
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    Count(size);
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) {
    Count(size);
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) {
        return 12; // ENOMEM
    }
    *result = pointer;
    return 0;
}
void free(void* pointer) {
    __libc_free(pointer);
}
}

namespace {

using namespace orv;

constexpr int kPrimitives = 50000;
constexpr int kBoardWidth = 2992;
constexpr int kBoardHeight = 2395;

// A board-like mix in drawing units over the 42 x 29 grid: mostly tracks, then pads, vias, arcs and a
// few of the rarer flashes.
DrawList GeneratedBoard() {
    DrawList list;
    uint32_t seed = 12345;
    auto next = [&seed](int range) {
        seed = seed * 1664525U + 1013904223U;
        return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(range));
    };
    for (int i = 0; i < kPrimitives; ++i) {
        const int32_t x = next(kBoardWidth);
        const int32_t y = next(kBoardHeight);
        switch (i % 20) {
        case 0:
        case 2:
        case 4:
        case 6:
        case 8:
        case 10: {
            auto* p = list.Append<DrawPoint_t>(draw_kind::kMoveTo);
            p->m_x = x;
            p->m_y = y;
            break;
        }
        case 1:
        case 3:
        case 5:
        case 7:
        case 9:
        case 11: {
            auto* p = list.Append<DrawPoint_t>(draw_kind::kLineTo);
            p->m_x = x + next(200) - 100;
            p->m_y = y + next(200) - 100;
            break;
        }
        case 12:
        case 13:
        case 14: {
            auto* c = list.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
            c->m_x = x;
            c->m_y = y;
            c->m_paramCount = 2;
            c->m_diameter = 16;
            c->m_holeX = 8;
            break;
        }
        case 15:
        case 16: {
            auto* r = list.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
            r->m_x = x;
            r->m_y = y;
            r->m_flag = true;
            r->m_paramCount = 2;
            r->m_width = 15;
            r->m_height = 25;
            r->m_rotation = i % 40 == 15 ? 45 : 0;
            break;
        }
        case 17: {
            auto* g = list.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
            g->m_x = x;
            g->m_y = y;
            g->m_flag = true;
            g->m_filled = true;
            g->m_paramCount = 3;
            g->m_size = 30;
            g->m_vertexCount = 8;
            g->m_rotation = 22;
            break;
        }
        case 18: {
            auto* a = list.Append<DrawArc_t>(draw_kind::kArc);
            a->m_x = x - 20;
            a->m_y = y - 20;
            a->m_x2 = x + 20;
            a->m_y2 = y + 20;
            a->m_startX = x + 20;
            a->m_startY = y;
            a->m_endX = x;
            a->m_endY = y - 20;
            break;
        }
        default: {
            auto* o = list.Append<DrawSolidOval_t>(draw_kind::kSolidOval);
            o->m_x = x;
            o->m_y = y;
            o->m_paramCount = 3;
            o->m_width = 30;
            o->m_height = 15;
            o->m_holeX = 6;
            break;
        }
        }
    }
    return list;
}

const DrawList& Board() {
    static const DrawList board = GeneratedBoard();
    return board;
}

// The picture and painter set up as an overlay window does: white, a 1-pixel black pen, the board
// mapped onto 1000 x 600.
class BoardCanvas {
public:
    BoardCanvas() : m_image(1000, 600, QImage::Format_RGB32) {}
    QPainter& Begin() {
        m_image.fill(Qt::white);
        m_painter.begin(&m_image);
        m_painter.setPen(QPen(Qt::black, 0));
        m_painter.setWindow(0, 0, kBoardWidth, kBoardHeight);
        m_painter.setViewport(0, 0, 1000, 600);
        return m_painter;
    }
    void End() { m_painter.end(); }

private:
    QImage m_image;
    QPainter m_painter;
};

void BM_PaintGeneratedBoard(benchmark::State& state) {
    BoardCanvas canvas;
    for (auto _ : state) {
        QPainter& painter = canvas.Begin();
        COverlayUtility::PaintDrawing(painter, Board().Head());
        canvas.End();
    }
    state.SetItemsProcessed(state.iterations() * kPrimitives);
}
BENCHMARK(BM_PaintGeneratedBoard)->Unit(benchmark::kMillisecond);

void BM_PaintGeneratedBoardInRuns(benchmark::State& state) {
    const auto drawing = std::make_shared<const DrawList>(COverlayUtility::BuildDrawList(Board().Head(), 0));
    const COverlayControlDrawList list(drawing, 0);
    BoardCanvas canvas;
    for (auto _ : state) {
        QPainter& painter = canvas.Begin();
        COverlayUtility::PaintDrawList(painter, &list);
        canvas.End();
    }
    state.SetItemsProcessed(state.iterations() * kPrimitives);
    state.counters["runs"] = static_cast<double>(list.GetPrimitiveCount());
}
BENCHMARK(BM_PaintGeneratedBoardInRuns)->Unit(benchmark::kMillisecond);

void BM_PaintPlainLines(benchmark::State& state) {
    BoardCanvas canvas;
    std::vector<QLine> lines;
    const DrawList& board = Board();
    for (const DrawBase_t* p = board.Head(); p != nullptr && lines.size() < kPrimitives; p = p->m_next) {
        const auto& point = static_cast<const DrawPoint_t&>(*p);
        lines.emplace_back(point.m_x, point.m_y, point.m_x + 60, point.m_y + 40);
    }
    for (auto _ : state) {
        QPainter& painter = canvas.Begin();
        for (const QLine& line : lines) {
            painter.drawLine(line);
        }
        canvas.End();
    }
    state.SetItemsProcessed(state.iterations() * kPrimitives);
}
BENCHMARK(BM_PaintPlainLines)->Unit(benchmark::kMillisecond);

void BM_BuildTurnedCopy(benchmark::State& state) {
    for (auto _ : state) {
        DrawList copy = COverlayUtility::BuildDrawList(Board().Head(), -1);
        benchmark::DoNotOptimize(copy.Head());
    }
    state.SetItemsProcessed(state.iterations() * kPrimitives);
}
BENCHMARK(BM_BuildTurnedCopy)->Unit(benchmark::kMillisecond);

// A 6000 x 4000 photograph stand-in, written once as a JPEG file.
const std::string& PhotographPath() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        QImage picture(6000, 4000, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                line[x] = qRgb((x * 7 + y) & 0xFF, (y * 3) & 0xFF, ((x ^ y) >> 3) & 0xFF);
            }
        }
        const QString file = dir.filePath("photograph.jpg");
        QImageWriter writer(file, "jpg");
        writer.setQuality(85);
        writer.write(picture);
        return file.toStdString();
    }();
    return path;
}

void BM_LoadPictureFile(benchmark::State& state) {
    const std::string& path = PhotographPath();
    uint64_t allocated = 0;
    int64_t decodedBytes = 0;
    for (auto _ : state) {
        COverlayUtility utility;
        g_allocated = 0;
        g_counting = true;
        const bool loaded = utility.LoadPictureFile(path);
        g_counting = false;
        allocated = g_allocated;
        decodedBytes = utility.GetPicture().sizeInBytes();
        if (!loaded) {
            state.SkipWithError("the picture did not load");
            break;
        }
    }
    state.counters["allocated_MB"] = static_cast<double>(allocated) / 1e6;
    state.counters["decoded_MB"] = static_cast<double>(decodedBytes) / 1e6;
    state.counters["allocated_per_decoded"] =
        decodedBytes > 0 ? static_cast<double>(allocated) / static_cast<double>(decodedBytes) : 0.0;
}
BENCHMARK(BM_LoadPictureFile)->Unit(benchmark::kMillisecond);

void BM_QImageReaderDecode(benchmark::State& state) {
    const QString path = QString::fromStdString(PhotographPath());
    for (auto _ : state) {
        QImageReader reader(path);
        QImage picture = reader.read();
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_QImageReaderDecode)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
