#include "core/ShowOutOfResourcesMessage.h"

#include "platform/ui/Prompt.h"

namespace orv {

void ShowOutOfResourcesMessage() {
    ShowPrompt(
        "Error#351: The application is near its resource limit. Please save and close the current project.",
        "Out Of Resources", PromptButtons::Ok, PromptIcon::Warning);
}

} // namespace orv
