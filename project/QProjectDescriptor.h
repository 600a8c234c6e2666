#pragma once

#include <string>

namespace orv {

// One project of a repository, known by its name. Descriptors are shared (std::shared_ptr) between
// the repository that lists them and the storage managers that stand for them, so neither can be
// left holding a destroyed one.
class QProjectDescriptor {
public:
    explicit QProjectDescriptor(std::string name);
    QProjectDescriptor(const QProjectDescriptor&) = delete;
    QProjectDescriptor& operator=(const QProjectDescriptor&) = delete;
    virtual ~QProjectDescriptor();

    virtual std::string GetName() const;
    virtual void SetName(std::string name);

private:
    std::string m_name;
};

} // namespace orv
