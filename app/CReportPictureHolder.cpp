#include "app/CReportPictureHolder.h"

#include <utility>

namespace orv {

CReportPictureHolder& CReportPictureHolder::Instance() {
    static CReportPictureHolder holder;
    return holder;
}

void CReportPictureHolder::Put(QImage image, int32_t firstLayoutValue, int32_t secondLayoutValue) {
    m_picture.image = std::move(image);
    m_picture.layout = {firstLayoutValue, secondLayoutValue};
}

CReportPictureHolder::Picture CReportPictureHolder::Take() {
    Picture taken = std::move(m_picture);
    m_picture = {};
    return taken;
}

} // namespace orv
