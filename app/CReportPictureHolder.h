#pragma once

// The picture a view rendered for the report, waiting for the report document to insert it. The
// views' report renders put it here, never on the system clipboard: the user's clipboard stays as it
// was, and the document inserts exactly the picture the view made just before. One picture at a time;
// a new one replaces the one waiting.
//
// User-interface thread only.

#include <QImage>

#include <array>
#include <cstdint>

namespace orv {

class CReportPictureHolder {
public:
    // The picture with the two layout values its view gives the report (the spectral and spatial
    // views give 160 and 0).
    struct Picture {
        QImage image;
        std::array<int32_t, 2> layout{};
    };

    // The program's one holder.
    static CReportPictureHolder& Instance();

    void Put(QImage image, int32_t firstLayoutValue, int32_t secondLayoutValue);
    // The waiting picture, which leaves the holder empty; an empty picture when none waits.
    Picture Take();
    const Picture& Peek() const { return m_picture; }
    bool HasPicture() const { return !m_picture.image.isNull(); }
    void Clear() { m_picture = {}; }

private:
    Picture m_picture;
};

} // namespace orv
