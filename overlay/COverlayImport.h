#pragma once

#include <cstdint>
#include <string>

namespace orv {

class TfrmMainApp;

// The overlay editor's import of a board drawing (Gerber or HPGL, told apart by content) or a picture
// file into the project's overlay list. A file already imported (the same size, kind and content:
// the same converted drawing, the same stored picture bytes) is found instead of imported again.
// Failures are shown in boxes; nothing half-made joins the list.
class COverlayImport {
public:
    static constexpr const char* kCaption = "Orvilant";
    static constexpr const char* kUnreadableDrawingText =
        "There is a problem with the image file, Orvilant can't read it.";
    static constexpr const char* kOpenFailedText = "Failed in opening the file.";
    static constexpr const char* kInputFailedText = "Failed in inputing the file.";
    static constexpr const char* kUnreadablePictureText =
        "There is a problem with the Jpeg file, Orvilant can't read it.";
    static constexpr const char* kPictureFailedText = "Failed in importing Jpeg file.";

    struct Result {
        // The imported or found overlay; 0 when there is none.
        uint32_t m_overlayId = 0;
        // Whether the overlay is new (first in the project's list).
        bool m_added = false;
    };

    // A file named "*.jpg" or "*.jpeg" (in any case) is a picture; any other a board drawing.
    static bool IsPictureFile(const std::string& path);
    static Result ImportFile(TfrmMainApp& project, const std::string& path);

private:
    static Result ImportDrawing(TfrmMainApp& project, const std::string& path);
    static Result ImportPicture(TfrmMainApp& project, const std::string& path);
};

} // namespace orv
