#pragma once

#include <functional>

// The order in which Escape closes things while the panel is open: the
// picture preview first, then whatever the panel's content closes itself
// (overlays, the details card), and only then the panel.
class EscapeRouter {
public:
    enum class Step { ClosePreview, HandledByPanel, HidePanel };

    // `panelHandles` is asked only when no preview is open.
    static Step route(bool previewVisible, const std::function<bool()>& panelHandles);
};
