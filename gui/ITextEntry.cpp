#include "gui/ITextEntry.h"

#include "framework/IParameter.h"
#include "gui/IControl.h"

#include <cstdlib>
#include <cstring>

namespace
{
bool IsPrintable(char c)
{
    return c >= 0x20 && c <= 0x7e;
}

// The virtual keys of the VST 2 key events (effEditKeyDown's value).
enum HostVirtualKey
{
    kVKeyBack = 1,
    kVKeyTab = 2,
    kVKeyReturn = 4,
    kVKeyEscape = 6,
    kVKeySpace = 7,
    kVKeyEnd = 9,
    kVKeyHome = 10,
    kVKeyLeft = 11,
    kVKeyUp = 12,
    kVKeyRight = 13,
    kVKeyDown = 14,
    kVKeyEnter = 19,
    kVKeyDelete = 22,
    kVKeyNumpad0 = 24,
    kVKeyNumpad9 = 33,
    kVKeyAdd = 35,
    kVKeySubtract = 37,
    kVKeyDecimal = 38,
};
} // namespace

bool ITextEntry::Open(IControl* control, IParameter* param, const char* text, int maxLength,
                      const IBox& box, const ITextStyle& style)
{
    if (!control || IsOpen()) return false;
    mControl = control;
    mParam = param;
    mText = text ? text : "";
    mMaxLength = maxLength;
    mBox = box;
    mStyle = style;
    mState = kStateOpen;
    SelectAll();
    return true;
}

void ITextEntry::Close()
{
    mControl = nullptr;
    mParam = nullptr;
    mText.clear();
    mAnchor = mCaret = 0;
    mState = kStateOpen;
}

bool ITextEntry::Accepts(const IParameter* param, char c)
{
    if (!IsPrintable(c)) return false;
    if (!param) return true;
    const bool digitOrSign = (c >= '0' && c <= '9') || c == '-' || c == '+';
    switch (param->Type())
    {
    case IParameter::kTypeBool:
    case kTypeInteger:
    case IParameter::kTypeEnum:
        return digitOrSign;
    case IParameter::kTypeDouble:
        return digitOrSign || c == '.';
    default:
        return true;
    }
}

bool ITextEntry::TypeChar(char c)
{
    if (!IsOpen() || !Accepts(mParam, c)) return false;
    const int selected = SelectionEnd() - SelectionStart();
    if (mMaxLength > 0 && static_cast<int>(mText.size()) - selected + 1 > mMaxLength) return false;
    DeleteSelection();
    mText.insert(mText.begin() + mCaret, c);
    mAnchor = ++mCaret;
    return true;
}

void ITextEntry::DeleteSelection()
{
    const int start = SelectionStart();
    mText.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(SelectionEnd() - start));
    mAnchor = mCaret = start;
}

void ITextEntry::Backspace()
{
    if (HasSelection())
        DeleteSelection();
    else if (mCaret > 0)
    {
        mText.erase(static_cast<std::size_t>(mCaret - 1), 1);
        mAnchor = --mCaret;
    }
}

void ITextEntry::Delete()
{
    if (HasSelection())
        DeleteSelection();
    else if (mCaret < static_cast<int>(mText.size()))
        mText.erase(static_cast<std::size_t>(mCaret), 1);
}

void ITextEntry::SetCaret(int index, bool extend)
{
    const int size = static_cast<int>(mText.size());
    mCaret = index < 0 ? 0 : (index > size ? size : index);
    if (!extend) mAnchor = mCaret;
}

void ITextEntry::SelectAll()
{
    mAnchor = 0;
    mCaret = static_cast<int>(mText.size());
}

bool ITextEntry::OnKey(Key key, char c, bool shift)
{
    if (!IsOpen()) return false;
    switch (key)
    {
    case kKeyChar: TypeChar(c); break;
    case kKeyBackspace: Backspace(); break;
    case kKeyDelete: Delete(); break;
    case kKeyLeft:
        // Without shift a selection collapses to its near end, as edit boxes do.
        if (HasSelection() && !shift)
            SetCaret(SelectionStart(), false);
        else
            SetCaret(mCaret - 1, shift);
        break;
    case kKeyRight:
        if (HasSelection() && !shift)
            SetCaret(SelectionEnd(), false);
        else
            SetCaret(mCaret + 1, shift);
        break;
    case kKeyHome: SetCaret(0, shift); break;
    case kKeyEnd: SetCaret(static_cast<int>(mText.size()), shift); break;
    case kKeyReturn: mState = kStateCommit; break;
    case kKeyEscape: mState = kStateCancel; break;
    case kKeyNone: break;
    }
    return true;
}

bool ITextEntry::Tick()
{
    if (!IsOpen() || mState == kStateOpen) return true;
    switch (mState)
    {
    case kStateFocused: return false;
    case kStateCommit:
        Commit();
        Close();
        return false;
    case kStateCancel: Close(); return false;
    default: mState = kStateOpen; return false;
    }
}

double ITextEntry::ValueFromText(const IParameter* param, const char* text)
{
    if (!text) text = "";
    if (param && (param->Type() == IParameter::kTypeBool || param->Type() == IParameter::kTypeEnum))
    {
        for (int i = 0; i < param->NDisplayTexts(); ++i)
        {
            const IParameter::IDisplayText* entry = param->GetDisplayTextEntry(i);
            if (entry && std::strcmp(entry->mText, text) == 0) return i;
        }
        // Typed digits match no display text (the box lets nothing else
        // through): they name the value itself rather than committing 0.
        return std::atof(text);
    }
    const double v = std::atof(text);
    return param && param->IsDisplayNegated() ? -v : v;
}

void ITextEntry::Commit()
{
    if (!IsOpen()) return;
    char text[kCommitTextSize];
    std::strncpy(text, mText.c_str(), sizeof(text) - 1);
    text[sizeof(text) - 1] = '\0';
    if (mParam)
        mControl->SetValueFromUser(mParam->ToNormalized(ValueFromText(mParam, text)));
    else
        mControl->SetTextFromEntry(text);
}

ITextEntry::Key ITextEntry::KeyFromHost(int character, int virtualKey, char* c)
{
    *c = 0;
    switch (virtualKey)
    {
    case kVKeyBack: return kKeyBackspace;
    case kVKeyReturn:
    case kVKeyEnter: return kKeyReturn;
    case kVKeyEscape: return kKeyEscape;
    case kVKeyEnd: return kKeyEnd;
    case kVKeyHome: return kKeyHome;
    case kVKeyLeft: return kKeyLeft;
    case kVKeyRight: return kKeyRight;
    case kVKeyDelete: return kKeyDelete;
    case kVKeySpace: *c = ' '; return kKeyChar;
    case kVKeyAdd: *c = '+'; return kKeyChar;
    case kVKeySubtract: *c = '-'; return kKeyChar;
    case kVKeyDecimal: *c = '.'; return kKeyChar;
    case kVKeyTab:
    case kVKeyUp:
    case kVKeyDown: return kKeyNone;
    default: break;
    }
    if (virtualKey >= kVKeyNumpad0 && virtualKey <= kVKeyNumpad9)
    {
        *c = static_cast<char>('0' + (virtualKey - kVKeyNumpad0));
        return kKeyChar;
    }
    // Hosts send some keys as bare control characters.
    if (character == 8) return kKeyBackspace;
    if (character == 13 || character == 10) return kKeyReturn;
    if (character == 27) return kKeyEscape;
    if (character == 127) return kKeyDelete;
    if (IsPrintable(static_cast<char>(character)) && character < 0x7f)
    {
        *c = static_cast<char>(character);
        return kKeyChar;
    }
    return kKeyNone;
}
