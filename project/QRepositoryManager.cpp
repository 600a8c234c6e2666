#include "project/QRepositoryManager.h"

namespace orv {

QRepositoryManager::~QRepositoryManager() = default;

} // namespace orv
