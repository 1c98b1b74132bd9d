#pragma once

class IEditorCanvas;
class IEffectBase;

// Creates the editor canvas of this platform: the window layer's
// IEditorWindow where one is built (X11 on Linux, Win32 on Windows), which
// can open a window in the host's; a bare canvas that draws off-screen
// otherwise. The plug-in constructor calls it, so no plug-in code names a
// window system. The window layer finds the module (whose resources hold
// the images) itself.
IEditorCanvas* CreateEditorWindow(IEffectBase* plugin, int width, int height, int frameRate);
