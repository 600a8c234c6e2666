#include "project/QProjectFileModel.h"

namespace orv {

QProjectFileModel::~QProjectFileModel() = default;

} // namespace orv
