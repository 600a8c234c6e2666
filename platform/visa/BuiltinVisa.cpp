#include "platform/visa/BuiltinVisa.h"

#include "platform/log/InformationLog.h"
#include "platform/visa/VisaConfiguration.h"
#include "platform/visa/VisaResourceName.h"
#include "platform/visa/VisaSocketSession.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orv::visa {

namespace {

// The placeholder session of a system without an analyser, as a session number.
constexpr Session kPlaceholderSession = static_cast<Session>(-900);

enum class ObjectKind { ResourceManager, FindList, Socket };

struct VisaObject {
    ObjectKind kind = ObjectKind::ResourceManager;
    Session owner = kNoSession; // the resource manager it was opened through
    std::shared_ptr<VisaSocketSession> socket;
    std::vector<std::string> found; // a find list's names after the first
    size_t nextFound = 0;
    uint16_t vendorOption = 0; // kept for a resource manager
};

class SessionTable {
public:
    static SessionTable& Instance() {
        // Never destroyed: drivers may still close sessions while the process ends.
        static SessionTable* table = new SessionTable;
        return *table;
    }

    Session Add(VisaObject object) {
        std::lock_guard<std::mutex> guard(m_lock);
        Session session = kNoSession;
        do {
            session = m_next++;
        } while (session == kNoSession || session == kPlaceholderSession || m_objects.count(session) != 0);
        m_objects.emplace(session, std::move(object));
        return session;
    }

    bool IsKind(Session session, ObjectKind kind) {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_objects.find(session);
        return found != m_objects.end() && found->second.kind == kind;
    }

    std::shared_ptr<VisaSocketSession> Socket(Session session) {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_objects.find(session);
        if (found == m_objects.end() || found->second.kind != ObjectKind::Socket) {
            return nullptr;
        }
        return found->second.socket;
    }

    // Runs `use` on the object under the table's lock; kErrorInvalidObject when there is none.
    template <class Use> Status WithObject(Session session, Use use) {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_objects.find(session);
        if (found == m_objects.end()) {
            return kErrorInvalidObject;
        }
        return use(found->second);
    }

    Status Close(Session session) {
        std::vector<std::shared_ptr<VisaSocketSession>> closing;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            const auto found = m_objects.find(session);
            if (found == m_objects.end()) {
                return kErrorInvalidObject;
            }
            if (found->second.kind == ObjectKind::ResourceManager) {
                for (auto it = m_objects.begin(); it != m_objects.end();) {
                    if (it->second.owner == session) {
                        if (it->second.socket) {
                            closing.push_back(std::move(it->second.socket));
                        }
                        it = m_objects.erase(it);
                    } else {
                        ++it;
                    }
                }
            }
            auto again = m_objects.find(session);
            if (again->second.socket) {
                closing.push_back(std::move(again->second.socket));
            }
            m_objects.erase(again);
        }
        // An operation still running on another thread holds its own reference; it wakes and ends.
        for (const std::shared_ptr<VisaSocketSession>& socket : closing) {
            socket->Abort();
        }
        return kSuccess;
    }

private:
    std::mutex m_lock;
    std::unordered_map<Session, VisaObject> m_objects;
    Session m_next = 1;
};

// A configured name the built-in layer cannot open is told once per run, with its reason: otherwise the
// search only reports that it found nothing.
void ReportUnservedNameOnce(const std::string& name) {
    static std::mutex lock;
    static std::unordered_set<std::string> reported;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!reported.insert(name).second) {
            return;
        }
    }
    AddInformationMessage(1, "VISA resource '" + name + "' is left out without a VISA library: it is " +
                                 BuiltinRefusalReason(name) + ".");
}

void CopyName(const std::string& name, char* description) {
    std::memcpy(description, name.c_str(), name.size() + 1);
}

extern "C" {

Status BuiltinViOpenDefaultRM(Session* resourceManager) {
    if (resourceManager == nullptr) {
        return kErrorUserBuffer;
    }
    *resourceManager = SessionTable::Instance().Add(VisaObject{});
    return kSuccess;
}

Status BuiltinViOpen(Session resourceManager, const char* resource, AccessMode mode, uint32_t /*timeoutMs*/,
                     Session* session) {
    if (session == nullptr) {
        return kErrorUserBuffer;
    }
    *session = kNoSession;
    SessionTable& table = SessionTable::Instance();
    if (!table.IsKind(resourceManager, ObjectKind::ResourceManager)) {
        return kErrorInvalidObject;
    }
    if (resource == nullptr) {
        return kErrorInvalidResourceName;
    }
    // Locks and configured attributes have no meaning here; other bits are not access modes.
    if ((mode & ~AccessMode{7}) != 0) {
        return kErrorInvalidAccessMode;
    }
    const ResourceNameReading reading = ReadResourceName(resource);
    if (!reading.socket) {
        return reading.refusal;
    }
    std::unique_ptr<VisaSocketSession> socket;
    if (const Status status = VisaSocketSession::Open(*reading.socket, socket); status < 0) {
        return status;
    }
    VisaObject object;
    object.kind = ObjectKind::Socket;
    object.owner = resourceManager;
    object.socket = std::move(socket);
    *session = table.Add(std::move(object));
    return kSuccess;
}

Status BuiltinViClose(Session object) {
    if (object == kNoSession) {
        return kWarnNullObject;
    }
    return SessionTable::Instance().Close(object);
}

Status BuiltinViFindRsrc(Session resourceManager, const char* expression, Session* findList, uint32_t* count,
                         char* description) {
    if (findList != nullptr) {
        *findList = kNoSession;
    }
    if (count != nullptr) {
        *count = 0;
    }
    SessionTable& table = SessionTable::Instance();
    if (!table.IsKind(resourceManager, ObjectKind::ResourceManager)) {
        return kErrorInvalidObject;
    }
    if (expression == nullptr) {
        return kErrorInvalidExpression;
    }
    const std::optional<VisaResourceExpression> compiled = VisaResourceExpression::Compile(expression);
    if (!compiled) {
        return kErrorInvalidExpression;
    }
    std::vector<std::string> found;
    for (const std::string& name : GetConfiguredSocketResources()) {
        if (!compiled->Matches(name)) {
            continue;
        }
        if (ReadResourceName(name).socket) {
            found.push_back(name);
        } else {
            ReportUnservedNameOnce(name);
        }
    }
    if (found.empty()) {
        return kErrorResourceNotFound;
    }
    if (count != nullptr) {
        *count = static_cast<uint32_t>(found.size());
    }
    if (description != nullptr) {
        CopyName(found.front(), description);
    }
    VisaObject list;
    list.kind = ObjectKind::FindList;
    list.owner = resourceManager;
    list.found = std::move(found);
    list.nextFound = 1;
    const Session session = table.Add(std::move(list));
    if (findList != nullptr) {
        *findList = session;
    } else {
        table.Close(session);
    }
    return kSuccess;
}

Status BuiltinViFindNext(Session findList, char* description) {
    return SessionTable::Instance().WithObject(findList, [description](VisaObject& object) -> Status {
        if (object.kind != ObjectKind::FindList) {
            return kErrorInvalidObject;
        }
        if (object.nextFound >= object.found.size()) {
            return kErrorResourceNotFound;
        }
        if (description != nullptr) {
            CopyName(object.found[object.nextFound], description);
        }
        ++object.nextFound;
        return kSuccess;
    });
}

Status BuiltinViSetAttribute(Session object, Attribute attribute, AttrState value) {
    if (const std::shared_ptr<VisaSocketSession> socket = SessionTable::Instance().Socket(object)) {
        return socket->SetAttribute(attribute, value);
    }
    return SessionTable::Instance().WithObject(object, [attribute, value](VisaObject& o) -> Status {
        if (o.kind == ObjectKind::ResourceManager && attribute == kAttrVendorManagerOption) {
            o.vendorOption = static_cast<uint16_t>(value);
            return kSuccess;
        }
        return kErrorUnsupportedAttribute;
    });
}

Status BuiltinViGetAttribute(Session object, Attribute attribute, void* value) {
    if (const std::shared_ptr<VisaSocketSession> socket = SessionTable::Instance().Socket(object)) {
        return socket->GetAttribute(attribute, value);
    }
    return SessionTable::Instance().WithObject(object, [attribute, value](VisaObject& o) -> Status {
        if (o.kind == ObjectKind::ResourceManager && attribute == kAttrVendorManagerOption) {
            if (value == nullptr) {
                return kErrorUserBuffer;
            }
            std::memcpy(value, &o.vendorOption, sizeof o.vendorOption);
            return kSuccess;
        }
        return kErrorUnsupportedAttribute;
    });
}

Status BuiltinViRead(Session session, unsigned char* buffer, uint32_t count, uint32_t* returned) {
    if (const std::shared_ptr<VisaSocketSession> socket = SessionTable::Instance().Socket(session)) {
        return socket->Read(buffer, count, returned);
    }
    if (returned != nullptr) {
        *returned = 0;
    }
    return kErrorInvalidObject;
}

Status BuiltinViScanf(Session session, const char* format, ...) {
    const std::shared_ptr<VisaSocketSession> socket = SessionTable::Instance().Socket(session);
    if (!socket) {
        return kErrorInvalidObject;
    }
    va_list args;
    va_start(args, format);
    const Status status = socket->Scanf(format, args);
    va_end(args);
    return status;
}

Status BuiltinViPrintf(Session session, const char* format, ...) {
    const std::shared_ptr<VisaSocketSession> socket = SessionTable::Instance().Socket(session);
    if (!socket) {
        return kErrorInvalidObject;
    }
    va_list args;
    va_start(args, format);
    const Status status = socket->Printf(format, args);
    va_end(args);
    return status;
}

Status BuiltinViFlush(Session session, uint16_t mask) {
    if (const std::shared_ptr<VisaSocketSession> socket = SessionTable::Instance().Socket(session)) {
        return socket->Flush(mask);
    }
    return kErrorInvalidObject;
}

} // extern "C"

} // namespace

const VisaEntryPoints& BuiltinVisaEntryPoints() {
    static const VisaEntryPoints entryPoints{BuiltinViOpenDefaultRM, BuiltinViOpen,     BuiltinViClose,
                                             BuiltinViFindRsrc,      BuiltinViFindNext, BuiltinViSetAttribute,
                                             BuiltinViGetAttribute,  BuiltinViRead,     BuiltinViScanf,
                                             BuiltinViPrintf,        BuiltinViFlush};
    return entryPoints;
}

} // namespace orv::visa
