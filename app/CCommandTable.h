#pragma once

// The one table behind the main window's menus and tool bars: each command by its number with its
// caption, its handler and its enabling rule. A command without a handler is disabled; one without
// a rule is enabled while it has a handler. Other parts of the program add their commands or give a
// listed command its handler.

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace orv {

class CCommandTable {
public:
    using Handler = std::function<void()>;
    using Rule = std::function<bool()>;

    struct Command {
        uint32_t id = 0;
        QString caption;
        Handler handler;
        Rule enabled;
    };

    // Adds the command or, when its number is listed, replaces its caption (when given), handler and
    // rule.
    void Set(uint32_t id, const QString& caption, Handler handler = {}, Rule enabled = {});
    // Gives a listed command (or a new one without caption) its handler and rule.
    void SetHandler(uint32_t id, Handler handler, Rule enabled = {});

    const Command* Find(uint32_t id) const;
    QString GetCaption(uint32_t id) const;
    bool IsEnabled(uint32_t id) const;
    // Runs the handler when the command is enabled; true when it ran.
    bool Execute(uint32_t id) const;

private:
    std::map<uint32_t, Command> m_commands;
};

} // namespace orv
