#include "overlay/camera/markers/ProbeMarkerModel.h"

#include <array>
#include <iterator>

namespace orv {

namespace {

constexpr std::array<ProbeMarkerModel, 12> kModels{{
    {1, 0, "QZV-PRB-E1", 5.5F, 6.0F, 0.0F},
    {1, 1, "QZV-PRB-H1", 5.5F, 22.0F, 0.0F},
    {1, 2, "QZV-PRB-H2", 5.5F, 0.0F, 0.0F},
    {1, 3, "QZV-PRB-H3", 5.5F, 0.0F, 0.0F},
    {1, 4, "QZV-PRB-H4", 5.5F, 0.0F, 0.0F},
    {1, 5, "QZV-PRB-H5", 4.5F, 0.0F, 0.0F},
    {2, 0, "QZV-PRB-E2", 4.17F, 10.0F, 0.0F},
    {2, 1, "QZV-PRB-H6", 4.17F, 19.5F, 0.0F},
    {2, 2, "QZV-PRB-H7", 4.17F, 10.5F, 0.0F},
    {2, 3, "QZV-PRB-H8", 4.17F, 0.0F, 0.0F},
    {2, 4, "QZV-PRB-H9", 4.17F, 10.5F, 0.0F},
    {2, 5, "QZV-PRB-H10", 4.17F, 7.5F, 0.0F},
}};

} // namespace

const ProbeMarkerModel* FindProbeMarkerModel(int32_t family, int32_t id) {
    for (const ProbeMarkerModel& model : kModels) {
        if (model.m_family == family && model.m_id == id) {
            return &model;
        }
    }
    return nullptr;
}

const ProbeMarkerModel* ProbeMarkerModels(int32_t& count) {
    count = static_cast<int32_t>(std::size(kModels));
    return kModels.data();
}

} // namespace orv
