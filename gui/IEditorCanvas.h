#pragma once

#include "framework/IEditorView.h"
#include "gui/IGraphicsTypes.h"

#include <string>
#include <vector>

class IBitmap;
class ICachedFont;
class IControl;
class IEffectBase;
class IParameter;

// The editor's graphics object: owns the panel's controls and an off-screen
// bitmap, tracks what is dirty, runs the draw pass, routes mouse and key
// events to the control under the pointer and offers the primitives controls
// paint with. It knows no window system: a window layer (gui/x11, gui/win32)
// derives from it and fills the virtual slots that need one.
//
// Threads: the GUI thread for everything except SetAllControlsDirty and
// SetControlFromPlugin (audio thread, end of every block) and
// SetParameterFromPlugin (whichever thread changes a parameter); those only
// store values and flags into the controls (see IControl) and take no lock.
class IEditorCanvas : public IEditorView
{
  public:
    // frameRate <= 0 stores 25.
    IEditorCanvas(IEffectBase* plugin, int width, int height, int frameRate);
    ~IEditorCanvas() override;
    IEditorCanvas(const IEditorCanvas&) = delete;
    IEditorCanvas& operator=(const IEditorCanvas&) = delete;

    // --- set-up (plug-in constructor) ---
    // Takes ownership; returns the control's index.
    int AttachControl(IControl* control);
    // Loads the image as a one-frame strip and inserts a plain-copy
    // IBitmapControl of its size at index 0.
    void AttachBackground(int resourceId, const char* name);
    IImageStrip LoadImageStrip(int resourceId, const char* name, int frames);

    // --- IEditorView: what the plug-in base and the binding use ---
    void SetParameterFromPlugin(int paramIdx, double value, bool normalized) override;
    void PrepareDrawing() override;
    void SetAllControlsDirty() override;
    void SetControlFromPlugin(int controlIdx, double normalizedValue) override;
    void GrayOutControl(int controlIdx, bool gray) override;
    int Width() const override { return mWidth; }
    int Height() const override { return mHeight; }

    // --- draw pass and primitives (GUI thread) ---
    // Grows box to the union of every dirty control's rectangle.
    bool IsDirty(IBox* box);
    // Draws the controls overlapping box into the off-screen bitmap, marks
    // every control clean, then DrawScreen(box). A control whose Draw fails
    // does not stop the others: the pass goes on, the screen is still updated
    // and the result is false.
    bool Draw(const IBox& box);
    bool DrawImage(const IImageStrip& image, const IBox& dest, int srcX, int srcY,
                   const IBlend* blend);
    bool DrawImageFrame(const IImageStrip& image, const IBox& dest, int frame, const IBlend* blend);
    bool FillBox(const IArgb& colour, const IBox& box, const IBlend* blend);
    bool DrawText(ITextStyle* style, const char* text, const IBox& box);
    ICachedFont* CacheFont(ITextStyle* style);

    // --- mouse and keys (GUI thread; panel coordinates) ---
    void OnMouseDown(int x, int y, const MouseKeys& keys);
    void OnMouseUp(int x, int y, const MouseKeys& keys);
    void OnMouseDrag(int x, int y, const MouseKeys& keys);
    // True when the event was taken as a mouse-down (the window layer then
    // captures the pointer).
    bool OnMouseDoubleClick(int x, int y, const MouseKeys& keys);
    void OnMouseWheel(int x, int y, const MouseKeys& keys, int notches);
    bool OnKeyDown(int x, int y, int keyCode);
    void ReleaseMouseCapture();

    // Opens the menu (enumerations, booleans with display texts) or the text
    // entry for param over box, on behalf of control.
    void PromptForValue(IControl* control, IParameter* param, const IBox* box);

    // --- virtual slots, in their fixed order; the window layers fill them ---
    virtual bool DrawScreen(const IBox& box) { (void)box; return true; }
    virtual void CancelTextEntry() {}
    virtual void ResizeWindow(int width, int height) { (void)width; (void)height; }
    virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
    virtual const char* EmptyText() { return ""; }
    // Returns menu with its chosen index set, or null when dismissed.
    virtual IMenu* CreateMenu(IMenu* menu, const IBox& box) { (void)menu; (void)box; return nullptr; }
    virtual void CreateTextEntry(IControl* control, const ITextStyle& style, const IBox& box,
                                 const char* initialText, IParameter* param)
    {
        (void)control; (void)style; (void)box; (void)initialText; (void)param;
    }
    virtual void HostPath(std::string& out) { out.clear(); }
    virtual void PluginPath(std::string& out) { out.clear(); }
    virtual void PromptForFile(std::string& fileName, int action, std::string& folder,
                               const char* extensions)
    {
        (void)action; (void)folder; (void)extensions; fileName.clear();
    }
    virtual bool PromptForColour(IArgb& colour, const char* prompt) { (void)colour; (void)prompt; return false; }
    virtual bool OpenURL(const char* url, const char* caption, const char* confirm, const char* error)
    {
        (void)url; (void)caption; (void)confirm; (void)error; return false;
    }
    virtual void* ReservedNull() { return nullptr; }
    void* OpenWindow(void* parentWindow) override { (void)parentWindow; return nullptr; }
    virtual void ReservedA() {}
    virtual void ReservedB() {}
    void CloseWindow() override {}
    virtual void* GetWindow() { return nullptr; }
    // Decodes the image resource id; null when it is missing or not a PNG.
    // name must end in ".png" (any case). The default takes the images
    // compiled into the module (IEmbeddedImages).
    virtual IBitmap* LoadImageResource(int resourceId, const char* name);

    // --- the mappings the primitives apply (pure) ---
    // Raster mode of a blend method: 1 plain copy; 2 add, 3 colour dodge and
    // every other value copy, each with the source alpha counting. Null is
    // method 0.
    static int RasterMode(const IBlend* blend);
    // The blend's weight; 1 for null.
    static float RasterWeight(const IBlend* blend);
    // ICachedFont::DrawText flags for a style: never clipped; foreground
    // alpha when the colour's A is not 255; alignment 1 centred, any other
    // non-zero value right-aligned.
    static int TextFlags(const ITextStyle& style);

    // --- accessors ---
    IEffectBase* GetPlugin() const { return mPlugin; }
    int NControls() const { return static_cast<int>(mControls.size()); }
    IControl* GetControl(int idx) const;
    IBitmap* GetDrawBitmap() const { return mDrawBitmap; }
    int FrameRate() const { return mFrameRate; }
    const IBox& DrawRect() const { return mDrawRect; }
    int MouseCapture() const { return mMouseCapture; }
    // Tells the host the open gesture ended, if one is open.
    void EndGesture();

  protected:
    // The off-screen bitmap (PrepareDrawing); a memory bitmap here, a window
    // layer may return one its screen copy can use directly. Null on failure.
    virtual IBitmap* CreateDrawBitmap(int width, int height);
    // A new font for the style (CacheFont, font cache mutex held): face
    // name, size, weight 700 for style 1 else 400, italic for style 2,
    // orientation and quality. Null when no face can be opened. The raster
    // font opens faces itself on Linux only; on Windows it wraps a GDI font,
    // so the Win32 window layer overrides this (CreateFontA, then
    // SetFromSystemFont with kOwnsSystemFont | kAllowDirectDraw).
    virtual ICachedFont* CreateCachedFont(const ITextStyle& style);

    // Index of the last control that is neither hidden nor grayed and is hit
    // at (x, y); -1 for none.
    int HitControl(int x, int y) const;
    // Capture first, else the control under the pointer; -1 for none.
    int MouseTarget(int x, int y) const;

    IEffectBase* mPlugin;
    std::vector<IControl*> mControls;
    IBox mDrawRect;
    IBitmap* mDrawBitmap = nullptr;
    int mWidth;
    int mHeight;
    int mFrameRate;
    int mMouseCapture = -1;
    // The parameter whose begin-edit the host has heard and whose end-edit
    // it has not (-1: none), so that every end-edit answers a begin-edit.
    int mGestureParam = -1;
    int mMouseX = 0;
    int mMouseY = 0;
};
