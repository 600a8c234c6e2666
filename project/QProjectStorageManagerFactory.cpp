#include "project/QProjectStorageManagerFactory.h"

namespace orv {

QProjectStorageManagerFactory::~QProjectStorageManagerFactory() = default;

} // namespace orv
