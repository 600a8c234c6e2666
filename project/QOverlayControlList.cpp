#include "project/QOverlayControlList.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "project/QProjectFileFormat.h"

#include <algorithm>

namespace orv {
namespace {

void WriteSizedBlock(QDataWriter& writer, const std::vector<uint8_t>& block) {
    if (block.size() > 0xFFFFFFFFU) {
        throw QStorageLayerException(
            "An overlay is too large for a project file; the project cannot be saved.");
    }
    writer.WriteU32(static_cast<uint32_t>(block.size()));
    writer.Write(block.data(), static_cast<uint32_t>(block.size()));
}

// A block may exceed what one stream call takes; it is read in steps.
std::vector<uint8_t> ReadSizedBlock(QDataReader& reader, uint64_t size) {
    static constexpr uint64_t kStep = 1U << 30;
    RequireProjectBytes(reader, size);
    std::vector<uint8_t> block(static_cast<size_t>(size));
    for (uint64_t done = 0; done < size;) {
        const uint64_t step = std::min(size - done, kStep);
        reader.Read(block.data() + done, static_cast<uint32_t>(step));
        done += step;
    }
    return block;
}

} // namespace

void QOverlayControlList::Add(std::unique_ptr<COverlayControl> control, bool atFront) {
    m_controls.insert(atFront ? m_controls.begin() : m_controls.end(), std::move(control));
}

void QOverlayControlList::WriteOverlayControls(QDataWriter& writer) const {
    for (const auto& control : m_controls) {
        const uint8_t kind = control->GetSourceKind();
        if (kind > COverlayControl::kPixelImage) {
            throw QStorageLayerException("An overlay of an unknown kind cannot be saved.");
        }
        uint64_t pixelBytes = 0;
        if (kind == COverlayControl::kPixelImage &&
            (!COverlayControl::PixelBytes(control->GetPixelWidth(), control->GetPixelHeight(),
                                          control->GetBytesPerPixel(), pixelBytes) ||
             pixelBytes > 0xFFFFFFFFU || pixelBytes != control->GetPixels().size())) {
            throw QStorageLayerException("An overlay is too large for a project file; the project cannot be "
                                         "saved.");
        }
    }
    writer.WriteU32(static_cast<uint32_t>(m_controls.size()));
    for (const auto& control : m_controls) {
        writer.WriteU8(control->GetSourceKind());
        writer.WriteU32(control->GetOverlayId());
        writer.WriteU32(control->GetSourceFileSize());
        switch (control->GetSourceKind()) {
        case COverlayControl::kPcbDrawing:
            WriteSizedBlock(writer, control->GetDrawingBlob());
            break;
        case COverlayControl::kPictureFile:
            WriteSizedBlock(writer, control->GetPictureBytes());
            break;
        default: {
            const auto& pixels = control->GetPixels();
            writer.WriteU32(control->GetPixelWidth());
            writer.WriteU32(control->GetPixelHeight());
            writer.WriteU8(control->GetBytesPerPixel());
            writer.Write(pixels.data(), static_cast<uint32_t>(pixels.size()));
            break;
        }
        }
    }
}

void QOverlayControlList::ReadOverlayControls(QDataReader& reader) {
    RequireProjectBytes(reader, 4);
    const uint32_t count = reader.ReadU32();
    // An entry takes at least its kind, id, source size and one 32-bit size.
    RequireProjectBytes(reader, static_cast<uint64_t>(count) * 13U);
    std::vector<std::unique_ptr<COverlayControl>> read;
    for (uint32_t i = 0; i < count; ++i) {
        RequireProjectBytes(reader, 9);
        auto control = std::make_unique<COverlayControl>();
        const uint8_t kind = reader.ReadU8();
        control->SetSourceKind(kind);
        control->SetOverlayId(reader.ReadU32());
        control->SetSourceFileSize(reader.ReadU32());
        if (kind == COverlayControl::kPcbDrawing || kind == COverlayControl::kPictureFile) {
            RequireProjectBytes(reader, 4);
            const std::vector<uint8_t> data = ReadSizedBlock(reader, reader.ReadU32());
            if (data.empty()) {
                continue;
            }
            const auto length = static_cast<uint32_t>(data.size());
            if (kind == COverlayControl::kPcbDrawing) {
                control->SetDrawingBlob(data.data(), length);
            } else {
                control->SetPictureBytes(data.data(), length);
            }
        } else if (kind == COverlayControl::kPixelImage) {
            RequireProjectBytes(reader, 9);
            const uint32_t width = reader.ReadU32();
            const uint32_t height = reader.ReadU32();
            const uint8_t bytesPerPixel = reader.ReadU8();
            uint64_t size = 0;
            if (!COverlayControl::PixelBytes(width, height, bytesPerPixel, size)) {
                ThrowCorruptProject();
            }
            const std::vector<uint8_t> pixels = ReadSizedBlock(reader, size);
            if (pixels.empty()) {
                continue;
            }
            // The source file size of a pixel image is read but not kept.
            control->SetSourceFileSize(0);
            if (!control->SetPixels(pixels.data(), width, height, bytesPerPixel)) {
                ThrowCorruptProject();
            }
        } else {
            ThrowCorruptProject();
        }
        read.push_back(std::move(control));
    }
    for (auto& control : read) {
        m_controls.push_back(std::move(control));
    }
}

} // namespace orv
