#include "app/CCommandTable.h"

namespace orv {

void CCommandTable::Set(uint32_t id, const QString& caption, Handler handler, Rule enabled) {
    Command& command = m_commands[id];
    command.id = id;
    if (!caption.isEmpty()) {
        command.caption = caption;
    }
    command.handler = std::move(handler);
    command.enabled = std::move(enabled);
}

void CCommandTable::SetHandler(uint32_t id, Handler handler, Rule enabled) {
    Set(id, QString(), std::move(handler), std::move(enabled));
}

const CCommandTable::Command* CCommandTable::Find(uint32_t id) const {
    const auto found = m_commands.find(id);
    return found == m_commands.end() ? nullptr : &found->second;
}

QString CCommandTable::GetCaption(uint32_t id) const {
    const Command* command = Find(id);
    return command == nullptr ? QString() : command->caption;
}

bool CCommandTable::IsEnabled(uint32_t id) const {
    const Command* command = Find(id);
    if (command == nullptr || !command->handler) {
        return false;
    }
    return !command->enabled || command->enabled();
}

bool CCommandTable::Execute(uint32_t id) const {
    if (!IsEnabled(id)) {
        return false;
    }
    // A copy: the handler may replace its own entry.
    const Handler handler = Find(id)->handler;
    handler();
    return true;
}

} // namespace orv
