#include "core/QManagerImpl.h"

#include "platform/ui/Prompt.h"

namespace orv {

void ReportInvalidDeviceInformation(const std::string& message) {
    ShowPrompt(message, "Invalid Device Information", PromptButtons::Ok, PromptIcon::None);
}

} // namespace orv
