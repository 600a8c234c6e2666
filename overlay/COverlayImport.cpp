#include "overlay/COverlayImport.h"

#include "overlay/COverlayUtility.h"
#include "overlay/import/DetectDrawingFileType.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/HPGLConvert.h"
#include "overlay/import/ImportSource.h"
#include "platform/fs/FileIo.h"
#include "platform/ui/Prompt.h"
#include "project/COverlayControl.h"
#include "project/NewOverlayId.h"
#include "project/TfrmMainApp.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cctype>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace orv {
namespace {

void Show(const char* text, const char* caption = COverlayImport::kCaption) {
    ShowPrompt(text, caption, PromptButtons::Ok, PromptIcon::None);
}

void ShowOpenFailed() {
    Show(COverlayImport::kOpenFailedText);
    Show(COverlayImport::kInputFailedText);
}

std::string LowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// The overlay of that kind made from a file of that size whose stored data is `data`; 0 when none.
template <typename Stored>
uint32_t FindImported(TfrmMainApp& project, uint8_t kind, uint32_t sourceSize,
                      const std::vector<uint8_t>& data, Stored stored) {
    for (const auto& control : project.GetOverlayControls().GetControls()) {
        if (control->GetSourceKind() == kind && control->GetSourceFileSize() == sourceSize &&
            stored(*control) == data) {
            return control->GetOverlayId();
        }
    }
    return 0;
}

// Whether the bytes decode as a picture the overlay can hold.
bool DecodesAsPicture(const std::string& bytes) {
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
        return false;
    }
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer source(&data);
    source.open(QIODevice::ReadOnly);
    QImageReader reader(&source);
    const QSize size = reader.size();
    if (!size.isValid() ||
        static_cast<int64_t>(size.width()) * size.height() > COverlayUtility::kMaxDecodedPicturePixels) {
        return false;
    }
    QImage picture;
    return reader.read(&picture) && !picture.isNull();
}

} // namespace

bool COverlayImport::IsPictureFile(const std::string& path) {
    const std::string extension = LowerExtension(path);
    return extension == "jpg" || extension == "jpeg";
}

COverlayImport::Result COverlayImport::ImportFile(TfrmMainApp& project, const std::string& path) {
    return IsPictureFile(path) ? ImportPicture(project, path) : ImportDrawing(project, path);
}

COverlayImport::Result COverlayImport::ImportDrawing(TfrmMainApp& project, const std::string& path) {
    const uint32_t sourceSize = COverlayUtility::GetSourceFileSize(path);
    std::unique_ptr<ImportFileSource> detected = ImportFileSource::Open(path);
    if (detected == nullptr) {
        ShowOpenFailed();
        return {};
    }
    const int32_t type = DetectDrawingFileType(*detected);
    detected.reset();
    if (type == kDrawingFileUnknown) {
        Show(kUnreadableDrawingText);
        return {};
    }
    std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(path);
    if (source == nullptr) {
        ShowOpenFailed();
        return {};
    }
    // The drawing as the project will store it: the records the control keeps.
    COverlayControl converted;
    try {
        const DrawList drawing = type == kDrawingFileHpgl ? HPGLConvert(*source) : GerberConvert(*source);
        if (drawing.IsEmpty()) {
            Show(kUnreadableDrawingText);
            return {};
        }
        converted.SetPcbDrawing(drawing.Head());
    } catch (const std::exception& failure) {
        ShowPrompt(failure.what(), kCaption, PromptButtons::Ok, PromptIcon::Error);
        return {};
    }
    const std::vector<uint8_t>& records = converted.GetDrawingBlob();
    if (const uint32_t found =
            FindImported(project, COverlayControl::kPcbDrawing, sourceSize, records,
                         [](const COverlayControl& control) -> const std::vector<uint8_t>& {
                             return control.GetDrawingBlob();
                         })) {
        return {found, false};
    }
    const uint32_t id = MakeNewOverlayId(project.GetOverlayControls());
    if (!project.AddPcbOverlayControl(records, id, sourceSize, true)) {
        return {};
    }
    return {id, true};
}

COverlayImport::Result COverlayImport::ImportPicture(TfrmMainApp& project, const std::string& path) {
    const std::optional<std::string> bytes = ReadWholeFile(path, COverlayUtility::kMaxPictureFileBytes);
    if (!bytes.has_value() || !DecodesAsPicture(*bytes)) {
        Show(kUnreadablePictureText);
        return {};
    }
    COverlayUtility utility;
    if (!utility.LoadPictureFile(path) || utility.GetPictureBytes().empty()) {
        Show(kPictureFailedText, "");
        return {};
    }
    const uint32_t sourceSize = COverlayUtility::GetSourceFileSize(path);
    const std::vector<uint8_t>& stored = utility.GetPictureBytes();
    if (const uint32_t found =
            FindImported(project, COverlayControl::kPictureFile, sourceSize, stored,
                         [](const COverlayControl& control) -> const std::vector<uint8_t>& {
                             return control.GetPictureBytes();
                         })) {
        return {found, false};
    }
    if (stored.size() > UINT32_MAX) {
        Show(kPictureFailedText, "");
        return {};
    }
    const uint32_t id = MakeNewOverlayId(project.GetOverlayControls());
    if (!project.AddPictureOverlayControl(stored.data(), static_cast<uint32_t>(stored.size()), id, sourceSize,
                                          true)) {
        return {};
    }
    return {id, true};
}

} // namespace orv
