#pragma once

#include <string>

class IBitmap;
class IEditorCanvas;

// Runs the draw passes a window's timer would run and writes the canvas's
// off-screen bitmap as a PNG: the panel as a user would see it, without a
// window system.
class PanelSnapshot
{
  public:
    // One timer tick: the dirty query, then the draw pass over the union.
    // Returns whether anything was drawn.
    static bool Tick(IEditorCanvas& canvas);
    // Writes bitmap as an 8-bit RGBA PNG (alpha forced opaque, as the window
    // shows it). False with error on failure.
    static bool WritePng(IBitmap& bitmap, const std::string& path, std::string& error);
};
