#include "project/QProjectStorageManager.h"

namespace orv {

QProjectStorageManager::~QProjectStorageManager() = default;

} // namespace orv
