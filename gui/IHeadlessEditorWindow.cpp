#include "gui/IEditorCanvas.h"
#include "gui/IEditorWindowFactory.h"

#include <new>

// A build without a window layer for its platform: the canvas draws the panel
// off-screen (for tools and tests) and cannot open a window, so the binding
// answers effEditOpen with 0.
IEditorCanvas* CreateEditorWindow(IEffectBase* plugin, int width, int height, int frameRate)
{
    return new (std::nothrow) IEditorCanvas(plugin, width, height, frameRate);
}
