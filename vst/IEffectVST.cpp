#include "vst/IEffectVST.h"

#include "framework/ITrace.h"
#include "framework/TextCopy.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// Answers of the dispatcher that hosts compare against.
constexpr VstIntPtr kIdentifyAnswer = 0x4E764566;   // 'NvEf'
constexpr VstIntPtr kVendorSpecificAnswer = 0xBEEF; // display of a normalised value done
constexpr VstIntPtr kCockosExtensionsAnswer = 0xBEEF0000;
// effVendorSpecific index asking for the display of a normalised value.
constexpr VstInt32 kVendorSpecificDisplayIndex = 7;
// Transport fields GetTimeInfo asks for: ppq, tempo, bars, cycle, time signature.
constexpr VstInt32 kTimeInfoRequest =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
// Product text buffer for audioMasterGetProductString, terminator included.
constexpr int kHostProductSize = 256;
// Preset names hold at most this many bytes of a host's text.
constexpr int kPresetNameSize = 256;
// The host's buffer for a program name: kVstMaxProgNameLen characters and the
// terminator. Stored names (and the bank chunk) keep up to 255 characters;
// only what is written into the host's buffer is cut.
constexpr int kHostProgramNameSize = kVstMaxProgNameLen + 1;
} // namespace

IEffectVST::IEffectVST(audioMasterCallback hostCallback, int nParams, const char* channelIOStr,
                       int nPresets, const char* effectName, const char* productName,
                       const char* makerName, int32_t version, int32_t uniqueID, int32_t makerID,
                       int latency, bool doesMidi, bool doesChunks, bool isInstrument)
    : IEffectBase(nParams, channelIOStr, nPresets, effectName, productName, makerName, version,
                  uniqueID, makerID, latency, doesMidi, doesChunks, isInstrument),
      mHostCallback(hostCallback), mDoesMidi(doesMidi)
{
    ITrace::Write("IEffectVST::IEffectVST", __LINE__, "%s", effectName ? effectName : "");

    std::memset(&mAEffect, 0, sizeof(mAEffect));
    mAEffect.magic = kEffectMagic;
    mAEffect.dispatcher = VSTDispatcher;
    mAEffect.process = VSTProcessAccumulating;
    mAEffect.setParameter = VSTSetParameter;
    mAEffect.getParameter = VSTGetParameter;
    mAEffect.numPrograms = NPresets();
    mAEffect.numParams = NParams();
    mAEffect.numInputs = NInChannels();
    mAEffect.numOutputs = NOutChannels();
    mAEffect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    if (DoesChunks()) mAEffect.flags |= effFlagsProgramChunks;
    if (LegalIO(1, -1)) mAEffect.flags |= effFlagsCanMono;
    if (IsInstrument()) mAEffect.flags |= effFlagsIsSynth;
    mAEffect.initialDelay = GetLatency();
    mAEffect.ioRatio = 1.0f;
    mAEffect.object = static_cast<IEffectVST*>(this);
    mAEffect.user = nullptr;
    mAEffect.uniqueID = GetUniqueID();
    mAEffect.version = GetEffectVersion(true);
    mAEffect.processReplacing = VSTProcessReplacing;
    mAEffect.processDoubleReplacing = VSTProcessDoubleReplacing;

    std::memset(&mEditRect, 0, sizeof(mEditRect));
    FillArrangement(mInputArrangement, NInChannels());
    FillArrangement(mOutputArrangement, NOutChannels());

    SetInputChannelConnections(0, NInChannels(), true);
    SetOutputChannelConnections(0, NOutChannels(), true);
    SetBlockSize(1024);
}

IEffectVST::~IEffectVST() = default;

void IEffectVST::FillArrangement(VstSpeakerArrangement& arrangement, int nChannels)
{
    std::memset(&arrangement, 0, sizeof(arrangement));
    arrangement.numChannels = nChannels;
    switch (nChannels)
    {
    case 0:
        arrangement.type = kSpeakerArrEmpty;
        break;
    case 1:
        arrangement.type = kSpeakerArrMono;
        break;
    case 2:
        arrangement.type = kSpeakerArrStereo;
        break;
    default:
        arrangement.type = kSpeakerArrUserDefined;
        break;
    }
}

IEffectVST* IEffectVST::FromRecord(AEffect* effect)
{
    if (!effect || !effect->object) return nullptr;
    return static_cast<IEffectVST*>(effect->object);
}

// ---- Record callbacks ---------------------------------------------------------

// GUI thread (any thread for a few opcodes in some hosts); takes the plug-in
// lock for the whole call.
VstIntPtr VSTCALLBACK IEffectVST::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                VstIntPtr value, void* ptr, float opt)
{
    IEffectVST* plug = FromRecord(effect);
    if (!plug) return 0;

    // The editor's idle call is not wrapped in the lock: it handles window
    // events (a popup menu may wait there for the user, and edits from the
    // panel take the lock themselves), takes the lock only around input
    // events and the controls' reads of parameter texts, so processing never
    // waits for drawing, the X server or the user.
    if (opcode == effEditIdle)
    {
        if (IEditorView* canvas = plug->GetGUI()) canvas->OnHostIdle();
        return 0;
    }

    plug->Lock();
    if (opcode != effEditIdle && opcode != effIdle)
        ITrace::Write("IEffectVST::VSTDispatcher", __LINE__, "%d(%s):%d:%d", opcode, "", index,
                      static_cast<int>(value));
    if (opcode == effClose)
    {
        // The lock lives inside the object: release it before the object goes.
        plug->Unlock();
        delete plug;
        return 0;
    }
    const VstIntPtr answer = plug->Dispatch(opcode, index, value, ptr, opt);
    plug->Unlock();
    return answer;
}

// Audio thread; takes the plug-in lock for the whole block (the want-MIDI
// request included) and holds it through the framework's process entry, which
// splits blocks longer than the channel buffers into pieces.
void VSTCALLBACK IEffectVST::VSTProcessAccumulating(AEffect* effect, float** inputs,
                                                    float** outputs, VstInt32 frames)
{
    IEffectVST* plug = FromRecord(effect);
    if (!plug || !inputs || !outputs) return;
    ScopedLock lock(plug);
    if (plug->mDoesMidi) plug->CallHost(audioMasterWantMidi);
    plug->ProcessHostSingle(inputs, outputs, frames, true);
}

// Audio thread, as above.
void VSTCALLBACK IEffectVST::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                                 VstInt32 frames)
{
    IEffectVST* plug = FromRecord(effect);
    if (!plug || !inputs || !outputs) return;
    ScopedLock lock(plug);
    if (plug->mDoesMidi) plug->CallHost(audioMasterWantMidi);
    plug->ProcessHostSingle(inputs, outputs, frames, false);
}

// Audio thread, as above.
void VSTCALLBACK IEffectVST::VSTProcessDoubleReplacing(AEffect* effect, double** inputs,
                                                       double** outputs, VstInt32 frames)
{
    IEffectVST* plug = FromRecord(effect);
    if (!plug || !inputs || !outputs) return;
    ScopedLock lock(plug);
    if (plug->mDoesMidi) plug->CallHost(audioMasterWantMidi);
    plug->ProcessHostDouble(inputs, outputs, frames);
}

// GUI or automation thread; takes the plug-in lock.
float VSTCALLBACK IEffectVST::VSTGetParameter(AEffect* effect, VstInt32 index)
{
    ITrace::Write("IEffectVST::VSTGetParameter", __LINE__, "%d", index);
    IEffectVST* plug = FromRecord(effect);
    if (!plug) return 0.0f;
    ScopedLock lock(plug);
    IParameter* param = plug->GetParam(index);
    return param ? static_cast<float>(param->GetNormalized()) : 0.0f;
}

// GUI, automation or audio thread (hosts automate between blocks); takes the
// plug-in lock. The host is not informed back: the change came from it.
void VSTCALLBACK IEffectVST::VSTSetParameter(AEffect* effect, VstInt32 index, float value)
{
    ITrace::Write("IEffectVST::VSTSetParameter", __LINE__, "%d:%f", index,
                  static_cast<double>(value));
    IEffectVST* plug = FromRecord(effect);
    if (!plug) return;
    // A normalised value outside 0..1 would land outside the range (the
    // mapping clamps only at the top, and an even shape folds negative
    // values back in); NaN would poison the DSP. Hosts that send such values
    // get the nearest end, or no change for NaN.
    if (std::isnan(value)) return;
    const double normalized = value < 0.0f ? 0.0 : (value > 1.0f ? 1.0 : value);
    ScopedLock lock(plug);
    IParameter* param = plug->GetParam(index);
    if (!param) return;
    if (IEditorView* canvas = plug->GetGUI())
        canvas->SetParameterFromPlugin(index, normalized, true);
    param->SetNormalized(normalized);
    plug->OnParameterChange(index);
}

// ---- Dispatcher ---------------------------------------------------------------

static void CopyText(void* ptr, const char* text)
{
    std::strcpy(static_cast<char*>(ptr), text ? text : "");
}

VstIntPtr IEffectVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt)
{
    switch (opcode)
    {
    case effOpen:
        HostSpecificInit();
        ResendAllParameters();
        return 0;

    case effSetProgram:
        if (!DoesChunks()) ModifyCurrentPreset();
        // The whole pointer-sized value is checked: narrowed first, 2^32
        // would select preset 0. Anything beyond int selects no preset.
        RestorePreset(value >= 0 && value <= INT_MAX ? static_cast<int>(value) : -1);
        return 0;

    case effGetProgram:
        return GetCurrentPresetIdx();

    case effSetProgramName:
        if (ptr)
        {
            // Host text is read no further than a preset name holds, so an
            // unterminated buffer is not overrun.
            char name[kPresetNameSize];
            const char* text = static_cast<const char*>(ptr);
            size_t n = 0;
            while (n < sizeof(name) - 1 && text[n] != '\0')
                ++n;
            std::memcpy(name, text, n);
            name[n] = '\0';
            ModifyCurrentPreset(name);
            OnPresetsChanged();
        }
        return 0;

    case effGetProgramName:
        if (ptr)
            CopyBoundedText(static_cast<char*>(ptr), kHostProgramNameSize,
                            GetPresetName(GetCurrentPresetIdx()));
        return 0;

    case effGetParamLabel:
        if (ptr)
            if (IParameter* param = GetParam(index)) CopyText(ptr, param->GetLabelForHost());
        return 0;

    case effGetParamDisplay:
        if (ptr)
            if (IParameter* param = GetParam(index))
                param->GetDisplayForHost(param->Value(), false, static_cast<char*>(ptr), true);
        return 0;

    case effGetParamName:
        if (ptr)
            if (IParameter* param = GetParam(index)) CopyText(ptr, param->GetNameForHost());
        return 0;

    case effSetSampleRate:
        // A rate of zero, below zero or not a number would make every
        // time constant meaningless; such a request keeps the current rate.
        if (std::isfinite(opt) && opt > 0.0f) SetSampleRate(static_cast<double>(opt));
        OnReset();
        return 0;

    case effSetBlockSize:
        // The channel buffers hold one block; a size below 1 (or beyond int)
        // keeps the current buffers, so no later call writes through an empty
        // one.
        if (value > 0 && value <= INT_MAX) SetBlockSize(static_cast<int>(value));
        OnReset();
        return 0;

    case effMainsChanged:
        if (value == 0)
        {
            OnActivate(false);
            OnReset();
        }
        else
        {
            OnActivate(true);
        }
        return 0;

    case effEditGetRect:
        if (ptr && GetGUI())
        {
            *static_cast<ERect**>(ptr) = &mEditRect;
            return 1;
        }
        return 0;

    case effEditOpen:
        if (GetGUI() && GetGUI()->OpenWindow(ptr))
        {
            OnEditorOpened();
            return 1;
        }
        return 0;

    case effEditClose:
        if (GetGUI())
        {
            OnEditorClosing();
            GetGUI()->CloseWindow();
            return 1;
        }
        return 0;

    case effEditIdle:
    case effIdle:
        return 0;

    case effEditKeyDown:
    case effEditKeyUp:
        // Hosts that keep the keyboard (Ardour) forward keys here; 0 passes a
        // key on to the host's own shortcuts.
        if (GetGUI())
            return GetGUI()->OnHostKey(opcode == effEditKeyDown, index, static_cast<int>(value),
                                       static_cast<int>(opt))
                       ? 1
                       : 0;
        return 0;

    case effIdentify:
        return kIdentifyAnswer;

    case effGetChunk:
        if (ptr)
        {
            const bool isBank = index == 0;
            return WriteChunkForHost(isBank, isBank ? mBankChunk : mProgramChunk,
                                     static_cast<void**>(ptr));
        }
        return 0;

    case effSetChunk:
        if (ptr && value >= 0 && value <= INT_MAX)
        {
            const bool isBank = index == 0;
            return ReadChunkFromHost(ptr, static_cast<int>(value), isBank,
                                     isBank ? mBankChunk : mProgramChunk);
        }
        return 0;

    case effProcessEvents:
        return ptr ? ProcessEvents(static_cast<const VstEvents*>(ptr)) : 0;

    case effCanBeAutomated:
        return 1;

    case effString2Parameter:
        return StringToParameter(index, static_cast<const char*>(ptr));

    case effGetProgramNameIndexed:
        if (ptr)
        {
            const char* name = GetPresetName(index);
            CopyBoundedText(static_cast<char*>(ptr), kHostProgramNameSize, name);
            return name && name[0] != '\0' ? 1 : 0;
        }
        return 0;

    case effGetInputProperties:
        return PinProperties(index, static_cast<VstPinProperties*>(ptr), NInChannels(), "Input %d");

    case effGetOutputProperties:
        return PinProperties(index, static_cast<VstPinProperties*>(ptr), NOutChannels(),
                             "Output %d");

    case effGetPlugCategory:
        return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;

    case effProcessVarIo:
        return 0;

    case effSetSpeakerArrangement:
        return SetSpeakerArrangement(reinterpret_cast<const VstSpeakerArrangement*>(value),
                                     static_cast<const VstSpeakerArrangement*>(ptr));

    case effGetEffectName:
        if (ptr)
        {
            CopyText(ptr, GetEffectName());
            return 1;
        }
        return 0;

    case effGetVendorString:
        if (ptr)
        {
            CopyText(ptr, GetMakerName());
            return 1;
        }
        return 0;

    case effGetProductString:
        if (ptr)
        {
            CopyText(ptr, GetProductName());
            return 1;
        }
        return 0;

    case effVendorSpecific:
        // Cockos-style request: the display text of a normalised value (in
        // opt) of parameter value, without changing the parameter.
        if (index == kVendorSpecificDisplayIndex && ptr)
        {
            if (value >= 0 && value < NParams())
                GetParam(static_cast<int>(value))
                    ->GetDisplayForHost(static_cast<double>(opt), true, static_cast<char*>(ptr),
                                        true);
            return kVendorSpecificAnswer;
        }
        return 0;

    case effCanDo:
        return CanDo(static_cast<const char*>(ptr));

    case effGetVstVersion:
        return kVstVersion;

    case effGetMidiKeyName:
        if (ptr)
        {
            MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
            key->keyName[0] = '\0';
            return GetMidiNoteName(key->thisKeyNumber, key->keyName) ? 1 : 0;
        }
        return 0;

    case effGetSpeakerArrangement:
        if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputArrangement;
        if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &mOutputArrangement;
        return 1;

    default:
        // Everything else, the deprecated opcodes included, is not supported.
        return 0;
    }
}

VstIntPtr IEffectVST::StringToParameter(int idx, const char* text)
{
    IParameter* param = GetParam(idx);
    if (!param) return 0;
    if (!text) return 1;

    double value = 0.0;
    if (param->NDisplayTexts() > 0)
    {
        if (!param->MapDisplayText(text, &value)) return 0;
    }
    else
    {
        value = std::strtod(text, nullptr);
        if (param->IsDisplayNegated()) value = -value;
    }
    if (IEditorView* canvas = GetGUI()) canvas->SetParameterFromPlugin(idx, value, false);
    // Typed text sets the plain value as typed: no step rounding, no shape.
    param->SetValueClamped(value);
    OnParameterChange(idx);
    return 1;
}

VstIntPtr IEffectVST::PinProperties(int idx, VstPinProperties* pin, int count,
                                    const char* labelFormat)
{
    if (!pin || idx < 0 || idx >= count) return 0;
    // An even pin with a partner after it starts a stereo pair.
    pin->flags = kVstPinIsActive;
    if (idx % 2 == 0 && idx < count - 1) pin->flags |= kVstPinIsStereo;
    std::snprintf(pin->label, sizeof(pin->label), labelFormat, idx + 1);
    return 1;
}

VstIntPtr IEffectVST::SetSpeakerArrangement(const VstSpeakerArrangement* in,
                                            const VstSpeakerArrangement* out)
{
    // The first n channels carry the host's audio; the rest read silence
    // (inputs) or write into their own buffers (outputs).
    if (in)
    {
        const int n = in->numChannels < 0 ? 0 : in->numChannels;
        SetInputChannelConnections(0, n, true);
        if (n < NInChannels()) SetInputChannelConnections(n, NInChannels() - n, false);
    }
    if (out)
    {
        const int n = out->numChannels < 0 ? 0 : out->numChannels;
        SetOutputChannelConnections(0, n, true);
        if (n < NOutChannels()) SetOutputChannelConnections(n, NOutChannels() - n, false);
    }
    return 1;
}

VstIntPtr IEffectVST::ProcessEvents(const VstEvents* events)
{
    for (VstInt32 i = 0; i < events->numEvents; ++i)
    {
        VstEvent* event = events->events[i];
        if (!event) continue;
        if (event->type == kVstMidiType)
        {
            const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
            IMidiMessage msg;
            msg.mOffset = midi->deltaFrames;
            msg.mStatus = static_cast<uint8_t>(midi->midiData[0]);
            msg.mData1 = static_cast<uint8_t>(midi->midiData[1]);
            msg.mData2 = static_cast<uint8_t>(midi->midiData[2]);
            ProcessMidiMessage(msg);
        }
        else
        {
            // Events the plug-in does not understand go back to the host.
            SendEvent(event);
        }
    }
    return 1;
}

VstIntPtr IEffectVST::CanDo(const char* text)
{
    if (!text) return 0;
    ITrace::Write("IEffectVST::VSTDispatcher", __LINE__, "VSTCanDo(%s)", text);
    if (!std::strcmp(text, "receiveVstTimeInfo")) return 1;
    if (!std::strcmp(text, "sendVstEvents") || !std::strcmp(text, "sendVstMidiEvent") ||
        !std::strcmp(text, "receiveVstEvents") || !std::strcmp(text, "receiveVstMidiEvent"))
        return mDoesMidi ? 1 : 0;
    // REAPER's extension handshake.
    if (!std::strcmp(text, "hasCockosExtensions") || !std::strcmp(text, "hasCockosViewAsConfig"))
        return kCockosExtensionsAnswer;
    return 0;
}

// ---- Requests to the host -------------------------------------------------------

VstIntPtr IEffectVST::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt)
{
    return mHostCallback ? mHostCallback(&mAEffect, opcode, index, value, ptr, opt) : 0;
}

void IEffectVST::BeginParameterEdit(int idx)
{
    CallHost(audioMasterBeginEdit, idx);
}

void IEffectVST::InformHostOfParameterChange(int idx, double normalizedValue)
{
    CallHost(audioMasterAutomate, idx, 0, nullptr, static_cast<float>(normalizedValue));
}

void IEffectVST::EndParameterEdit(int idx)
{
    CallHost(audioMasterEndEdit, idx);
}

void IEffectVST::InformHostOfPresetChange()
{
    CallHost(audioMasterUpdateDisplay);
}

const VstTimeInfo* IEffectVST::AskTime(VstInt32 wanted)
{
    return reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, wanted));
}

int IEffectVST::GetSamplePosition()
{
    const VstTimeInfo* t = AskTime(0);
    if (!t || !(t->samplePos >= 0.0)) return 0;
    // Beyond int (2^31 frames, about 12 hours at 48 kHz) the position stays
    // at the largest int: converting a larger double to int is undefined.
    const double rounded = t->samplePos + 0.5;
    return rounded < static_cast<double>(INT_MAX) + 1.0 ? static_cast<int>(rounded) : INT_MAX;
}

double IEffectVST::GetTempo()
{
    const VstTimeInfo* t = AskTime(kVstTempoValid);
    if (t && (t->flags & kVstTempoValid) && t->tempo >= 0.0) return t->tempo;
    return 0.0;
}

void IEffectVST::GetTimeSignature(int* numerator, int* denominator)
{
    const VstTimeInfo* t = AskTime(kVstTimeSigValid);
    const bool valid = t && (t->flags & kVstTimeSigValid) && t->timeSigNumerator >= 0 &&
                       t->timeSigDenominator >= 0;
    if (numerator) *numerator = valid ? t->timeSigNumerator : 0;
    if (denominator) *denominator = valid ? t->timeSigDenominator : 0;
}

void IEffectVST::GetTimeInfo(ITimeInfo* info)
{
    if (!info) return;
    const VstTimeInfo* t = AskTime(kTimeInfoRequest);
    if (!t || !(t->flags & kTimeInfoRequest)) return;
    info->mSamplePos = t->samplePos;
    if ((t->flags & kVstPpqPosValid) && t->ppqPos >= 0.0) info->mPPQPos = t->ppqPos;
    if ((t->flags & kVstTempoValid) && t->tempo > 0.0) info->mTempo = t->tempo;
    if ((t->flags & kVstBarsValid) && t->barStartPos >= 0.0) info->mLastBar = t->barStartPos;
    if ((t->flags & kVstCyclePosValid) && t->cycleStartPos >= 0.0 && t->cycleEndPos >= 0.0)
    {
        info->mCycleStart = t->cycleStartPos;
        info->mCycleEnd = t->cycleEndPos;
    }
    if ((t->flags & kVstTimeSigValid) && t->timeSigNumerator > 0 && t->timeSigDenominator > 0)
    {
        info->mNumerator = t->timeSigNumerator;
        info->mDenominator = t->timeSigDenominator;
    }
    info->mTransportIsRunning = (t->flags & kVstTransportPlaying) != 0;
    info->mTransportLoopEnabled = (t->flags & kVstTransportCycleActive) != 0;
}

HostId IEffectVST::GetHost()
{
    if (GetHostId() != HostNotAsked) return GetHostId();

    char product[kHostProductSize];
    std::memset(product, 0, sizeof(product));
    CallHost(audioMasterGetProductString, 0, 0, product);
    // A host that fills the whole buffer leaves no terminator.
    product[sizeof(product) - 1] = '\0';

    int32_t packed = 0;
    if (product[0] != '\0')
    {
        // The host answers a decimal version: 60500 is 6.5.0, 2400 is 0.24.0.
        const long long d = CallHost(audioMasterGetVendorVersion);
        const long long major = d / 10000;
        const long long minor = (d % 10000) / 100;
        const long long patch = d - major * 10000 - minor * 100;
        packed = static_cast<int32_t>(major * 65536 + minor * 256 + patch);
    }
    // An empty product text gives HostUnknown, so the host is asked once only.
    SetHost(product, packed);
    return GetHostId();
}

void IEffectVST::HostSpecificInit()
{
    if (mHostSpecificInitDone) return;
    mHostSpecificInitDone = true;
    switch (GetHost())
    {
    // These hosts offer only a stereo pair of inputs and outputs.
    case HostForte:
    case HostAudition:
    case HostOrion:
    case HostSawStudio:
        LimitToStereoIO();
        break;
    default:
        break;
    }
    mInputArrangement.numChannels = NInChannels();
    mAEffect.numInputs = NInChannels();
    mOutputArrangement.numChannels = NOutChannels();
    mAEffect.numOutputs = NOutChannels();
}

void IEffectVST::SetEditRectFromCanvas()
{
    IEditorView* canvas = GetGUI();
    if (!canvas) return;
    mEditRect.top = 0;
    mEditRect.left = 0;
    mEditRect.right = static_cast<VstInt16>(canvas->Width());
    mEditRect.bottom = static_cast<VstInt16>(canvas->Height());
}

void IEffectVST::AttachGraphics(IEditorView* canvas)
{
    IEffectBase::AttachGraphics(canvas);
    // Only an attached canvas makes an editor the host may open.
    if (GetGUI())
    {
        mAEffect.flags |= effFlagsHasEditor;
        SetEditRectFromCanvas();
    }
}

void IEffectVST::UpdateEditorRect()
{
    SetEditRectFromCanvas();
}

void IEffectVST::SetLatency(int samples)
{
    IEffectBase::SetLatency(samples);
    mAEffect.initialDelay = samples;
}

bool IEffectVST::SendEvent(VstEvent* event)
{
    VstEvents list;
    std::memset(&list, 0, sizeof(list));
    list.numEvents = 1;
    list.events[0] = event;
    return CallHost(audioMasterProcessEvents, 0, 0, &list) == 1;
}

bool IEffectVST::SendMidiMessage(const IMidiMessage& msg)
{
    VstMidiEvent event;
    std::memset(&event, 0, sizeof(event));
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = msg.mOffset;
    event.midiData[0] = static_cast<char>(msg.mStatus);
    event.midiData[1] = static_cast<char>(msg.mData1);
    event.midiData[2] = static_cast<char>(msg.mData2);
    return SendEvent(reinterpret_cast<VstEvent*>(&event));
}

bool IEffectVST::SendMidiMessages(const IMidiMessage* msgs, int count)
{
    bool allSent = true;
    for (int i = 0; msgs && i < count; ++i)
        allSent = SendMidiMessage(msgs[i]) && allSent;
    return allSent;
}
