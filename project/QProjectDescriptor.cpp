#include "project/QProjectDescriptor.h"

#include <utility>

namespace orv {

QProjectDescriptor::QProjectDescriptor(std::string name) : m_name(std::move(name)) {}

QProjectDescriptor::~QProjectDescriptor() = default;

std::string QProjectDescriptor::GetName() const {
    return m_name;
}

void QProjectDescriptor::SetName(std::string name) {
    m_name = std::move(name);
}

} // namespace orv
