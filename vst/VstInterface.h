// Declarations of the VST 2.4 plug-in interface as both sides of it (our
// plug-in binding and our test host) use them: the effect record, the records
// passed by pointer through the dispatcher and the host callback, the opcode
// numbers and the flag constants.
//
// Everything here is binary interface: field order, widths and opcode values
// are what existing hosts and plug-ins expect and must never change. The
// static assertions at the end pin the x86-64 layout (LP64 Linux and LLP64
// Windows alike: every field is at its natural alignment, nothing needs a pack
// pragma).
#pragma once

#include <cstddef>
#include <cstdint>

// Calling convention of every function pointer crossing the interface. On
// 32-bit Windows hosts call with cdecl; x86-64 (both ABIs) has one convention,
// so the macro is empty there and on every other platform.
#if defined(_WIN32) && !defined(_WIN64)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

using VstInt16 = int16_t;
using VstInt32 = int32_t;
using VstIntPtr = intptr_t; // pointer-sized: 8 bytes on x86-64, also on Windows

struct AEffect;

// Host callback: (effect or null, audioMaster opcode, index, value, ptr, opt).
using audioMasterCallback = VstIntPtr(VSTCALLBACK*)(AEffect* effect, VstInt32 opcode,
                                                    VstInt32 index, VstIntPtr value, void* ptr,
                                                    float opt);
// Dispatcher: same shape as the host callback, with eff* opcodes.
using AEffectDispatcherProc = VstIntPtr(VSTCALLBACK*)(AEffect* effect, VstInt32 opcode,
                                                      VstInt32 index, VstIntPtr value, void* ptr,
                                                      float opt);
// Single-precision processing; used for both the deprecated accumulating
// `process` (adds into the outputs) and `processReplacing` (overwrites them).
using AEffectProcessProc = void(VSTCALLBACK*)(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 sampleFrames);
using AEffectProcessDoubleProc = void(VSTCALLBACK*)(AEffect* effect, double** inputs,
                                                    double** outputs, VstInt32 sampleFrames);
using AEffectSetParameterProc = void(VSTCALLBACK*)(AEffect* effect, VstInt32 index,
                                                   float normalised);
using AEffectGetParameterProc = float(VSTCALLBACK*)(AEffect* effect, VstInt32 index);

// Entry point exported by a plug-in library as "VSTPluginMain" (and, for old
// hosts, "main"): called with the host callback, answers the effect record or
// null.
using VstPluginMainProc = AEffect*(VSTCALLBACK*)(audioMasterCallback host);

// Four-character identifiers are packed big-endian: 'VstP' has 'V' in the top byte.
constexpr VstInt32 VstFourCC(char a, char b, char c, char d)
{
    return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kEffectMagic = VstFourCC('V', 's', 't', 'P'); // 0x56737450
constexpr VstInt32 kVstVersion = 2400;                           // interface version 2.4

// The effect record. The plug-in owns it; the host reads the fields and calls
// through the pointers. 192 bytes on x86-64.
struct AEffect
{
    VstInt32 magic; // kEffectMagic
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process; // deprecated accumulating process
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;         // effFlags*
    VstIntPtr resvd1;       // reserved for the host, zero
    VstIntPtr resvd2;       // reserved for the host, zero
    VstInt32 initialDelay;  // latency in samples
    VstInt32 realQualities; // unused, zero
    VstInt32 offQualities;  // unused, zero
    float ioRatio;          // unused, 1.0
    void* object;           // the plug-in's own object
    void* user;             // free for the host
    VstInt32 uniqueID;
    VstInt32 version; // decimal, e.g. 10205 for 1.2.5
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56]; // zero
};

// Editor rectangle in pixels, 16-bit fields in this order.
struct ERect
{
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};

// effFlags*: bits of AEffect::flags.
enum : VstInt32
{
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1, // deprecated
    effFlagsHasVu = 1 << 2,   // deprecated
    effFlagsCanMono = 1 << 3, // deprecated
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,   // deprecated
    effFlagsExtHasBuffer = 1 << 11, // deprecated
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Dispatcher opcodes (host → plug-in). The deprecated ones are listed so the
// numbering reads continuously; a plug-in answers them 0.
enum : VstInt32
{
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effGetVu = 9, // deprecated
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditDraw = 16,  // deprecated
    effEditMouse = 17, // deprecated
    effEditKey = 18,   // deprecated
    effEditIdle = 19,
    effEditTop = 20,   // deprecated
    effEditSleep = 21, // deprecated
    effIdentify = 22,  // deprecated
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetNumProgramCategories = 28, // deprecated
    effGetProgramNameIndexed = 29,
    effCopyProgram = 30,   // deprecated
    effConnectInput = 31,  // deprecated
    effConnectOutput = 32, // deprecated
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effGetCurrentPosition = 36,   // deprecated
    effGetDestinationBuffer = 37, // deprecated
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBlockSizeAndSampleRate = 43, // deprecated
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetErrorText = 46, // deprecated
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53, // deprecated
    effGetIcon = 54,
    effSetViewPosition = 55,
    effGetParameterProperties = 56,
    effKeysRequired = 57,
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,
    effGetCurrentMidiProgram = 63,
    effGetMidiProgramCategory = 64,
    effHasMidiProgramsChanged = 65,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effShellGetNextPlugin = 70,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetTotalSampleToProcess = 73,
    effSetPanLaw = 74,
    effBeginLoadBank = 75,
    effBeginLoadProgram = 76,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79,
};

// Host callback opcodes (plug-in → host).
enum : VstInt32
{
    audioMasterAutomate = 0, // index = parameter, opt = normalised value
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,  // deprecated
    audioMasterWantMidi = 6,      // deprecated
    audioMasterGetTime = 7,       // value = wanted kVst* validity flags; answers VstTimeInfo*
    audioMasterProcessEvents = 8, // ptr = VstEvents*
    audioMasterSetTime = 9,       // deprecated
    audioMasterTempoAt = 10,      // deprecated
    audioMasterGetNumAutomatableParameters = 11, // deprecated
    audioMasterGetParameterQuantization = 12,    // deprecated
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14, // deprecated
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,         // deprecated
    audioMasterGetNextPlug = 21,             // deprecated
    audioMasterWillReplaceOrAccumulate = 22, // deprecated
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,         // deprecated
    audioMasterGetOutputSpeakerArrangement = 31, // deprecated
    audioMasterGetVendorString = 32,             // ptr = text buffer of kVstMaxVendorStrLen
    audioMasterGetProductString = 33,            // ptr = text buffer of kVstMaxProductStrLen
    audioMasterGetVendorVersion = 34,            // answers a decimal version
    audioMasterVendorSpecific = 35,
    audioMasterSetIcon = 36, // deprecated
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,  // deprecated
    audioMasterCloseWindow = 40, // deprecated
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43, // index = parameter
    audioMasterEndEdit = 44,   // index = parameter
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
    audioMasterEditFile = 47,                   // deprecated
    audioMasterGetChunkFile = 48,               // deprecated
    audioMasterGetInputSpeakerArrangement = 49, // deprecated
};

// Text sizes of the interface, terminator included. Hosts in practice pass
// larger buffers, which is why plug-ins tend to copy longer texts whole.
enum : VstInt32
{
    kVstMaxProgNameLen = 24,
    kVstMaxParamStrLen = 8,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
    kVstMaxEffectNameLen = 32,
    kVstMaxNameLen = 64,
    kVstMaxLabelLen = 64,
    kVstMaxShortLabelLen = 8,
    kVstMaxCategLabelLen = 24,
    kVstMaxFileNameLen = 100,
};

// Plug-in categories answered for effGetPlugCategory.
enum : VstInt32
{
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
    kPlugCategAnalysis = 3,
    kPlugCategMastering = 4,
    kPlugCategSpacializer = 5,
    kPlugCategRoomFx = 6,
    kPlugSurroundFx = 7,
    kPlugCategRestoration = 8,
    kPlugCategOfflineProcess = 9,
    kPlugCategShell = 10,
    kPlugCategGenerator = 11,
    kPlugCategMaxCount = 12,
};

// Transport and timing state answered for audioMasterGetTime. Positions are in
// samples (samplePos) or quarter notes (ppqPos, barStartPos, cycle*Pos);
// fields other than samplePos and sampleRate are valid only with their flag.
struct VstTimeInfo
{
    double samplePos;
    double sampleRate;
    double nanoSeconds; // system time
    double ppqPos;
    double tempo; // beats per minute
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 smpteOffset;
    VstInt32 smpteFrameRate;
    VstInt32 samplesToNextClock;
    VstInt32 flags; // kVstTransport*, kVst*Valid
};

// VstTimeInfo::flags, also the request mask passed as value to audioMasterGetTime.
enum : VstInt32
{
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

// Generic event header; concrete events (VstMidiEvent) share the first four
// fields and are 32 bytes in all.
struct VstEvent
{
    VstInt32 type;        // kVstMidiType, kVstSysExType, ...
    VstInt32 byteSize;    // senders write 32 for a VstMidiEvent
    VstInt32 deltaFrames; // frame offset within the current block
    VstInt32 flags;
    char data[16];
};

enum : VstInt32
{
    kVstMidiType = 1,
    kVstSysExType = 6,
};

enum : VstInt32
{
    kVstMidiEventIsRealtime = 1,
};

struct VstMidiEvent
{
    VstInt32 type; // kVstMidiType
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;      // kVstMidiEventIsRealtime
    VstInt32 noteLength; // frames, 0 if unknown
    VstInt32 noteOffset; // frames into the note at which playback starts
    char midiData[4];    // status, data 1, data 2, zero
    char detune;         // cents, -64..63
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

// A list of event pointers. The declared array holds two; senders allocate
// the record larger when they pass more (numEvents says how many are valid).
struct VstEvents
{
    VstInt32 numEvents;
    VstIntPtr reserved; // zero
    VstEvent* events[2];
};

// Properties of one input or output pin (effGetInputProperties / effGetOutputProperties).
struct VstPinProperties
{
    char label[kVstMaxLabelLen];
    VstInt32 flags;           // kVstPinIs*
    VstInt32 arrangementType; // kSpeakerArr*
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

enum : VstInt32
{
    kVstPinIsActive = 1,
    kVstPinIsStereo = 1 << 1, // this pin and the next form a stereo pair
    kVstPinUseSpeaker = 1 << 2,
};

// One loudspeaker of an arrangement; angles in radians, radius in metres.
struct VstSpeakerProperties
{
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[kVstMaxNameLen];
    VstInt32 type;
    char future[28];
};

// A channel layout. The declared array holds eight speakers; larger layouts
// are allocated bigger by whoever passes them.
struct VstSpeakerArrangement
{
    VstInt32 type; // kSpeakerArr*
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};

enum : VstInt32
{
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo = 1,
    kSpeakerArrStereoSurround = 2,
    kSpeakerArrStereoCenter = 3,
    kSpeakerArrStereoSide = 4,
    kSpeakerArrStereoCLfe = 5,
};

// Name of one MIDI key for a program (effGetMidiKeyName).
struct MidiKeyName
{
    VstInt32 thisProgramIndex;
    VstInt32 thisKeyNumber; // 0..127
    char keyName[kVstMaxNameLen];
    VstInt32 reserved;
    VstInt32 flags;
};

// Layout pins. Offsets are checked on x86-64 only; other targets are not built.
static_assert(sizeof(ERect) == 8, "ERect is four 16-bit values");
static_assert(sizeof(VstEvent) == 32 && sizeof(VstMidiEvent) == 32, "events are 32 bytes");
static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties layout");
static_assert(sizeof(VstSpeakerProperties) == 112, "VstSpeakerProperties layout");
static_assert(sizeof(VstSpeakerArrangement) == 904, "VstSpeakerArrangement layout");
static_assert(sizeof(MidiKeyName) == 80, "MidiKeyName layout");
static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo layout");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64, "VstTimeInfo layout");
static_assert(offsetof(VstTimeInfo, flags) == 84, "VstTimeInfo layout");
static_assert(offsetof(VstMidiEvent, midiData) == 24, "VstMidiEvent layout");

#if defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(void*) == 8 && sizeof(VstIntPtr) == 8, "pointer-sized fields");
static_assert(sizeof(AEffect) == 192, "AEffect is 192 bytes on x86-64");
static_assert(offsetof(AEffect, dispatcher) == 8, "AEffect layout");
static_assert(offsetof(AEffect, process) == 16, "AEffect layout");
static_assert(offsetof(AEffect, setParameter) == 24, "AEffect layout");
static_assert(offsetof(AEffect, getParameter) == 32, "AEffect layout");
static_assert(offsetof(AEffect, numPrograms) == 40, "AEffect layout");
static_assert(offsetof(AEffect, numParams) == 44, "AEffect layout");
static_assert(offsetof(AEffect, numInputs) == 48, "AEffect layout");
static_assert(offsetof(AEffect, numOutputs) == 52, "AEffect layout");
static_assert(offsetof(AEffect, flags) == 56, "AEffect layout");
static_assert(offsetof(AEffect, resvd1) == 64, "AEffect layout");
static_assert(offsetof(AEffect, resvd2) == 72, "AEffect layout");
static_assert(offsetof(AEffect, initialDelay) == 80, "AEffect layout");
static_assert(offsetof(AEffect, ioRatio) == 92, "AEffect layout");
static_assert(offsetof(AEffect, object) == 96, "AEffect layout");
static_assert(offsetof(AEffect, user) == 104, "AEffect layout");
static_assert(offsetof(AEffect, uniqueID) == 112, "AEffect layout");
static_assert(offsetof(AEffect, version) == 116, "AEffect layout");
static_assert(offsetof(AEffect, processReplacing) == 120, "AEffect layout");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128, "AEffect layout");
static_assert(offsetof(AEffect, future) == 136, "AEffect layout");
static_assert(sizeof(VstEvents) == 32, "VstEvents layout");
#endif
