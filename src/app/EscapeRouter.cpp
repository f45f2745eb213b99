#include "app/EscapeRouter.h"

EscapeRouter::Step EscapeRouter::route(bool previewVisible,
                                       const std::function<bool()>& panelHandles) {
    if (previewVisible)
        return Step::ClosePreview;
    if (panelHandles && panelHandles())
        return Step::HandledByPanel;
    return Step::HidePanel;
}
