#pragma once

// What the plug-in base and the binding need of the editor. The editor owns
// and draws its controls; the plug-in base owns the canvas once attached and
// deletes it through this destructor.
//
// Threads: SetParameterFromPlugin from whatever thread changes a parameter
// (plug-in lock held); SetAllControlsDirty and SetControlFromPlugin from the
// audio thread (plug-in lock held); the rest from the GUI thread.
class IEditorView
{
  public:
    virtual ~IEditorView() {}

    // value is normalised when normalized is true, else a plain value that the
    // canvas normalises through the parameter.
    virtual void SetParameterFromPlugin(int paramIdx, double value, bool normalized) = 0;
    // Creates the off-screen drawing surface; called once when attached.
    virtual void PrepareDrawing() = 0;
    virtual void SetAllControlsDirty() = 0;
    // Ignores indices outside the control list.
    virtual void SetControlFromPlugin(int controlIdx, double normalizedValue) = 0;
    virtual void GrayOutControl(int controlIdx, bool gray) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Creates the editor window inside the host's window; null on failure.
    virtual void* OpenWindow(void* parentWindow) = 0;
    virtual void CloseWindow() = 0;

    // Hosts that hand the editor an X11 window drive it through these
    // instead of a window-system timer: OnHostIdle at the host's idle rate
    // (effEditIdle; called without the plug-in lock, which the editor takes
    // only around input events and the reads of parameter texts, never
    // around drawing), OnHostKey for the keys the host forwards
    // (effEditKeyDown and effEditKeyUp: character, VST virtual key, modifier
    // bits), answering
    // whether the editor used the key. Same thread as OpenWindow.
    virtual void OnHostIdle() {}
    virtual bool OnHostKey(bool down, int character, int virtualKey, int modifiers)
    {
        (void)down; (void)character; (void)virtualKey; (void)modifiers;
        return false;
    }
};
