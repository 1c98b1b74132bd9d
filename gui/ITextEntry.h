#pragma once

#include "gui/IGraphicsTypes.h"

#include <string>

class IControl;
class IParameter;

// The model of the one-line edit box in which the user types a control's
// value: text, selection, caret, length limit, the character filter of the
// parameter's type, the commit rule and the text-entry states the window
// layer's timer tick walks through. No window system here: the X11 layer
// draws and feeds it, and a Win32 layer can reuse the filter and the commit.
//
// States: 0 open; 1 the box holds the keyboard focus again after losing it
// (the tick then does nothing); 2 the panel was just repainted around the
// open box; 3 cancel requested; 4 commit requested. GUI thread only.
class ITextEntry
{
  public:
    enum State
    {
        kStateOpen = 0,
        kStateFocused = 1,
        kStateRedrawn = 2,
        kStateCancel = 3,
        kStateCommit = 4,
    };

    // Editing keys, whatever window system or host delivered them.
    enum Key
    {
        kKeyNone = 0,
        kKeyChar,
        kKeyBackspace,
        kKeyDelete,
        kKeyLeft,
        kKeyRight,
        kKeyHome,
        kKeyEnd,
        kKeyReturn,
        kKeyEscape,
    };

    // The text buffer the commit reads: 32 bytes, so at most 31 characters.
    static constexpr int kCommitTextSize = 32;
    // Parameter type that takes whole numbers (no decimal point); the
    // framework's own types are IParameter::EParamType.
    static constexpr int kTypeInteger = 2;

    // Opens the box for control (and param, which may be null) over box with
    // text fully selected. Returns false (and stays closed) without a control
    // or when a box is already open. maxLength limits typing, not the
    // initial text.
    bool Open(IControl* control, IParameter* param, const char* text, int maxLength,
              const IBox& box, const ITextStyle& style);
    // Forgets everything; the state returns to 0.
    void Close();
    bool IsOpen() const { return mControl != nullptr; }

    // --- editing ---
    // Applies a key; c is the character of kKeyChar. Answers whether the key
    // belongs to the box (every key does while it is open; a filtered
    // character is consumed and dropped).
    bool OnKey(Key key, char c, bool shift);
    // Inserts c in place of the selection when the filter and the limit let
    // it; true when the text changed.
    bool TypeChar(char c);
    void Backspace();
    void Delete();
    // Caret to index (clamped into the text); extend keeps the anchor.
    void SetCaret(int index, bool extend);
    void SelectAll();

    const std::string& Text() const { return mText; }
    int Caret() const { return mCaret; }
    int SelectionStart() const { return mAnchor < mCaret ? mAnchor : mCaret; }
    int SelectionEnd() const { return mAnchor < mCaret ? mCaret : mAnchor; }
    bool HasSelection() const { return mAnchor != mCaret; }
    const IBox& Box() const { return mBox; }
    const ITextStyle& Style() const { return mStyle; }
    IControl* Control() const { return mControl; }
    IParameter* Param() const { return mParam; }
    int MaxLength() const { return mMaxLength; }

    // --- states ---
    int GetState() const { return mState; }
    void SetState(int state) { mState = state; }
    void RequestCancel() { if (IsOpen()) mState = kStateCancel; }
    void RequestCommit() { if (IsOpen()) mState = kStateCommit; }
    // The first half of a timer tick: commits (4) or cancels (3) and closes,
    // turns 2 into 0, and does nothing in 1. Answers true when the tick goes
    // on to the dirty query and paint, false when this tick is used up.
    bool Tick();
    // The tick painted the panel around the open box: state 2.
    void PaintedAround() { if (IsOpen()) mState = kStateRedrawn; }

    // --- rules shared with every window layer ---
    // Whether a typed character reaches a box for param: without a parameter
    // everything printable; booleans, integers and enumerations take digits,
    // "-" and "+"; doubles also "."; other types everything printable.
    static bool Accepts(const IParameter* param, char c);
    // The plain value the text stands for: booleans and enumerations match
    // the display texts (their index), else the number typed; other types the
    // leading decimal number, negated when the parameter shows its values
    // negated.
    static double ValueFromText(const IParameter* param, const char* text);
    // Hands the text to the control: the parameter's normalised value through
    // SetValueFromUser, or SetTextFromEntry without a parameter. The box
    // stays open (Tick closes it).
    void Commit();
    // The host's editing keys (effEditKeyDown: character in index, VST
    // virtual key in value) as a box key and character.
    static Key KeyFromHost(int character, int virtualKey, char* c);

  private:
    void DeleteSelection();

    IControl* mControl = nullptr;
    IParameter* mParam = nullptr;
    std::string mText;
    int mAnchor = 0;
    int mCaret = 0;
    int mMaxLength = 7;
    int mState = kStateOpen;
    IBox mBox;
    ITextStyle mStyle;
};
