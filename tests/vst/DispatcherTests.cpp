// The dispatcher, get- and set-parameter as a host drives them.

#include "LoadedPlugin.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

using Dispatcher = LoadedPlugin;

namespace
{
struct ParamView
{
    const char* name;
    const char* label;
    float normalisedDefault;
};

// Names, labels and the default knob positions: plain default mapped into
// 0..1 through the range and the knob law (e.g. "Input Gain" 0 dB on -60..30).
const ParamView kParams[] = {
    {"Input Gain", "dB", 60.0f / 90.0f},
    {"Model Type", "", 0.0f}, // the "VCA" text stands in for the label
    {"Threshold", "dB", 1.0f},
    {"Ratio", " : 1", 0.0f},
    {"Attack", "ms", 0.0f},
    {"Release", "ms", 0.0f},
    {"Output Gain", "dB", 60.0f / 90.0f},
    {"Oversampling", "", 1.0f},
    {"Analog Emulation", "", 1.0f},
    {"Sidechain Filter", "Hz", 0.0f},
    {"External Sidechain", "", 0.0f},
};

std::string Text(const char* buffer)
{
    return std::string(buffer);
}

// The first preset's name as the bank chunk stores it: after the 8-byte
// header, a little-endian length and that many bytes.
std::string BankProgramName(const std::vector<uint8_t>& bank)
{
    if (bank.size() < 12) return "<no bank>";
    const uint32_t n = static_cast<uint32_t>(bank[8]) | static_cast<uint32_t>(bank[9]) << 8 |
                       static_cast<uint32_t>(bank[10]) << 16 | static_cast<uint32_t>(bank[11]) << 24;
    if (n > bank.size() - 12) return "<bad length>";
    return std::string(bank.begin() + 12, bank.begin() + 12 + n);
}
} // namespace

TEST_F(Dispatcher, ParametersShowTheirNamesLabelsAndDefaultPositions)
{
    ASSERT_EQ(plug->NumParams(), 11);
    for (int i = 0; i < 11; ++i)
    {
        SCOPED_TRACE(kParams[i].name);
        EXPECT_EQ(plug->ParameterName(i), kParams[i].name);
        EXPECT_EQ(plug->ParameterLabel(i), kParams[i].label);
        EXPECT_NEAR(plug->GetParameter(i), kParams[i].normalisedDefault, 1e-6);
        EXPECT_EQ(Dispatch(effCanBeAutomated, i), 1);
    }
    EXPECT_EQ(plug->ParameterDisplay(kInputGain), "0.0");
    EXPECT_EQ(plug->ParameterDisplay(kModelType), "VCA");
    EXPECT_EQ(plug->ParameterDisplay(kThreshold), "0.0");
    EXPECT_EQ(plug->ParameterDisplay(kRatio), "1");
    EXPECT_EQ(plug->ParameterDisplay(kOversampling), "on");
    EXPECT_EQ(plug->ParameterDisplay(kAnalogEmulation), "on");
    EXPECT_EQ(plug->ParameterDisplay(kSidechainFilter), "20");
    EXPECT_EQ(plug->ParameterDisplay(kExternalSidechain), "off");
}

TEST_F(Dispatcher, InvalidParameterIndicesAnswerZeroAndWriteNothing)
{
    for (VstInt32 index : {-1, 11, 1000})
    {
        char buffer[64];
        std::memset(buffer, 'x', sizeof(buffer));
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        {
            EXPECT_EQ(Dispatch(opcode, index, 0, buffer), 0);
            EXPECT_EQ(buffer[0], 'x') << "opcode " << opcode << " index " << index;
        }
        EXPECT_EQ(plug->GetParameter(index), 0.0f);
        plug->SetParameter(index, 0.5f); // must not crash or change anything
        EXPECT_EQ(plug->SetParameterText(index, "1"), 0);
    }
    for (int i = 0; i < 11; ++i)
        EXPECT_NEAR(plug->GetParameter(i), kParams[i].normalisedDefault, 1e-6) << i;
    // Null text buffers are not written through.
    EXPECT_EQ(Dispatch(effGetParamName, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetParamLabel, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetParamDisplay, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, SetParameterFollowsTheKnobLawAndIsNotEchoedToTheHost)
{
    plug->ClearRecords();
    // Threshold has shape 2: knob 0.5 is a quarter of the way up -60..0 dB.
    plug->SetParameter(kThreshold, 0.5f);
    EXPECT_FLOAT_EQ(plug->GetParameter(kThreshold), 0.5f);
    EXPECT_EQ(plug->ParameterDisplay(kThreshold), "-45.0");
    // Stepped parameters round onto their steps: 0.74 of 0..2 is 1.48 -> 1.
    plug->SetParameter(kModelType, 0.74f);
    EXPECT_EQ(plug->ParameterDisplay(kModelType), "FET");
    EXPECT_FLOAT_EQ(plug->GetParameter(kModelType), 0.5f);
    plug->SetParameter(kExternalSidechain, 1.0f);
    EXPECT_EQ(plug->ParameterDisplay(kExternalSidechain), "on");
    EXPECT_EQ(plug->ParameterLabel(kExternalSidechain), "");
    EXPECT_TRUE(plug->Requests().empty());
}

TEST_F(Dispatcher, SetParameterOutsideZeroToOneStaysInTheRange)
{
    // With shape 2 a negative knob would fold back into the range and one
    // beyond the top would pass max; both are held at the ends instead.
    plug->SetParameter(kThreshold, -0.5f);
    EXPECT_EQ(plug->ParameterDisplay(kThreshold), "-60.0");
    plug->SetParameter(kInputGain, 1.5f);
    EXPECT_EQ(plug->ParameterDisplay(kInputGain), "30.0");
    plug->SetParameter(kInputGain, -2.0f);
    EXPECT_EQ(plug->ParameterDisplay(kInputGain), "-60.0");
    // Not a number changes nothing.
    plug->SetParameter(kOutputGain, std::nanf(""));
    EXPECT_EQ(plug->ParameterDisplay(kOutputGain), "0.0");
    EXPECT_NEAR(plug->GetParameter(kOutputGain), 60.0f / 90.0f, 1e-6);
}

TEST_F(Dispatcher, TypedTextSetsThePlainValueClampedIntoTheRange)
{
    EXPECT_EQ(plug->SetParameterText(kThreshold, "-20"), 1);
    EXPECT_EQ(plug->ParameterDisplay(kThreshold), "-20.0");
    EXPECT_NEAR(plug->GetParameter(kThreshold), std::sqrt(40.0 / 60.0), 1e-6);
    // Clamped at both ends, no step rounding.
    EXPECT_EQ(plug->SetParameterText(kInputGain, "45.5 dB"), 1);
    EXPECT_EQ(plug->ParameterDisplay(kInputGain), "30.0");
    EXPECT_EQ(plug->SetParameterText(kInputGain, "-99"), 1);
    EXPECT_EQ(plug->ParameterDisplay(kInputGain), "-60.0");
    EXPECT_EQ(plug->SetParameterText(kRatio, "2.5"), 1);
    EXPECT_NEAR(plug->GetParameter(kRatio), 1.5 / 19.0, 1e-6);
    EXPECT_EQ(plug->ParameterDisplay(kRatio), "2"); // no decimals for step 1: truncated
    // Text without a number reads as 0, clamped to the minimum.
    EXPECT_EQ(plug->SetParameterText(kSidechainFilter, "abc"), 1);
    EXPECT_EQ(plug->ParameterDisplay(kSidechainFilter), "20");
    // A null text is accepted and changes nothing.
    plug->SetParameter(kOutputGain, 0.5f);
    EXPECT_EQ(Dispatch(effString2Parameter, kOutputGain, 0, nullptr), 1);
    EXPECT_FLOAT_EQ(plug->GetParameter(kOutputGain), 0.5f);
}

TEST_F(Dispatcher, TypedTextOfSwitchesAndModelsMustMatchTheirTextsExactly)
{
    EXPECT_EQ(plug->SetParameterText(kOversampling, "off"), 1);
    EXPECT_EQ(plug->GetParameter(kOversampling), 0.0f);
    EXPECT_EQ(plug->SetParameterText(kOversampling, "ON"), 0);
    EXPECT_EQ(plug->GetParameter(kOversampling), 0.0f);
    EXPECT_EQ(plug->SetParameterText(kOversampling, "on"), 1);
    EXPECT_EQ(plug->GetParameter(kOversampling), 1.0f);
    // Numbers are not texts of a parameter with display texts.
    EXPECT_EQ(plug->SetParameterText(kExternalSidechain, "1"), 0);
    EXPECT_EQ(plug->GetParameter(kExternalSidechain), 0.0f);

    EXPECT_EQ(plug->SetParameterText(kModelType, "OPTO"), 1);
    EXPECT_EQ(plug->ParameterDisplay(kModelType), "OPTO");
    EXPECT_EQ(plug->GetParameter(kModelType), 1.0f);
    EXPECT_EQ(plug->SetParameterText(kModelType, "fet"), 0);
    EXPECT_EQ(plug->SetParameterText(kModelType, "FET "), 0);
    EXPECT_EQ(plug->ParameterDisplay(kModelType), "OPTO");
    EXPECT_EQ(plug->SetParameterText(kModelType, "FET"), 1);
    EXPECT_EQ(plug->GetParameter(kModelType), 0.5f);
}

TEST_F(Dispatcher, VendorSpecificSevenShowsANormalisedValueWithoutSettingIt)
{
    char text[64] = {};
    EXPECT_EQ(Dispatch(effVendorSpecific, 7, kThreshold, text, 0.5f), 0xBEEF);
    EXPECT_EQ(Text(text), "-45.0");
    EXPECT_EQ(Dispatch(effVendorSpecific, 7, kModelType, text, 1.0f), 0xBEEF);
    EXPECT_EQ(Text(text), "OPTO");
    EXPECT_EQ(plug->ParameterDisplay(kThreshold), "0.0");
    EXPECT_EQ(plug->ParameterDisplay(kModelType), "VCA");

    // Out-of-range parameter: still 0xBEEF, nothing written.
    std::memset(text, 'x', sizeof(text));
    EXPECT_EQ(Dispatch(effVendorSpecific, 7, 11, text, 0.5f), 0xBEEF);
    EXPECT_EQ(Dispatch(effVendorSpecific, 7, -1, text, 0.5f), 0xBEEF);
    EXPECT_EQ(text[0], 'x');
    // Other indices and a null text are not answered.
    EXPECT_EQ(Dispatch(effVendorSpecific, 6, kThreshold, text, 0.5f), 0);
    EXPECT_EQ(Dispatch(effVendorSpecific, 7, kThreshold, nullptr, 0.5f), 0);
    EXPECT_EQ(text[0], 'x');
}

TEST_F(Dispatcher, CanDoAnswersOnlyExactSpellings)
{
    auto canDo = [this](const char* text)
    {
        std::vector<char> copy(text, text + std::strlen(text) + 1);
        return Dispatch(effCanDo, 0, 0, copy.data());
    };
    EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
    EXPECT_EQ(canDo("ReceiveVstTimeInfo"), 0);
    EXPECT_EQ(canDo("receiveVstTimeInfo "), 0);
    EXPECT_EQ(canDo("receiveVstTime"), 0);
    // No MIDI in this plug-in.
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 0);
    EXPECT_EQ(canDo("receiveVstEvents"), 0);
    EXPECT_EQ(canDo("sendVstEvents"), 0);
    EXPECT_EQ(canDo("sendVstMidiEvent"), 0);
    EXPECT_EQ(canDo("hasCockosExtensions"), static_cast<VstIntPtr>(0xBEEF0000));
    EXPECT_EQ(canDo("hasCockosViewAsConfig"), static_cast<VstIntPtr>(0xBEEF0000));
    EXPECT_EQ(canDo("bypass"), 0);
    EXPECT_EQ(canDo(""), 0);
    EXPECT_EQ(Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, PinsArePairedAndLabelledFromOne)
{
    struct Expected
    {
        VstInt32 opcode;
        VstInt32 index;
        VstInt32 flags;
        const char* label;
    };
    const Expected pins[] = {
        {effGetInputProperties, 0, 3, "Input 1"},   {effGetInputProperties, 1, 1, "Input 2"},
        {effGetInputProperties, 2, 3, "Input 3"},   {effGetInputProperties, 3, 1, "Input 4"},
        {effGetOutputProperties, 0, 3, "Output 1"}, {effGetOutputProperties, 1, 1, "Output 2"},
    };
    for (const Expected& pin : pins)
    {
        VstPinProperties props;
        std::memset(&props, 0x5A, sizeof(props));
        ASSERT_EQ(Dispatch(pin.opcode, pin.index, 0, &props), 1) << pin.label;
        EXPECT_EQ(props.flags, pin.flags) << pin.label;
        EXPECT_EQ(Text(props.label), pin.label);
        // Short label and arrangement type are the host's.
        EXPECT_EQ(static_cast<unsigned char>(props.shortLabel[0]), 0x5A);
        EXPECT_EQ(props.arrangementType, 0x5A5A5A5A);
    }
    VstPinProperties props{};
    EXPECT_EQ(Dispatch(effGetInputProperties, 4, 0, &props), 0);
    EXPECT_EQ(Dispatch(effGetInputProperties, -1, 0, &props), 0);
    EXPECT_EQ(Dispatch(effGetOutputProperties, 2, 0, &props), 0);
    EXPECT_EQ(Dispatch(effGetInputProperties, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetOutputProperties, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, SpeakerArrangementsDescribeFourInsAndAStereoOut)
{
    VstSpeakerArrangement* in = nullptr;
    VstSpeakerArrangement* out = nullptr;
    EXPECT_EQ(Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(in->numChannels, 4);
    EXPECT_EQ(in->type, kSpeakerArrUserDefined);
    EXPECT_EQ(out->numChannels, 2);
    EXPECT_EQ(out->type, kSpeakerArrStereo);
    // Either pointer may be missing.
    EXPECT_EQ(Dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 1);
}

TEST_F(Dispatcher, TheSinglePresetIsNamedDashAndCanBeRenamed)
{
    EXPECT_EQ(plug->ProgramName(), "-");
    EXPECT_EQ(Dispatch(effGetProgram), 0);
    char name[64];
    EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
    EXPECT_EQ(Text(name), "-");
    for (VstInt32 index : {1, -1, 100})
    {
        std::memset(name, 'x', sizeof(name));
        EXPECT_EQ(Dispatch(effGetProgramNameIndexed, index, 0, name), 0);
        EXPECT_EQ(Text(name), "");
    }
    EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effSetProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(plug->ProgramName(), "-");

    char loud[] = "Loud drums";
    Dispatch(effSetProgramName, 0, 0, loud);
    EXPECT_EQ(plug->ProgramName(), "Loud drums");
    EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
    EXPECT_EQ(Text(name), "Loud drums");
}

TEST_F(Dispatcher, AnUnterminatedProgramNameIsReadNoFurtherThanANameHolds)
{
    // 300 letters with no terminator: reading past them is a fault that the
    // address sanitizer build reports.
    std::vector<char> text(300, 'a');
    Dispatch(effSetProgramName, 0, 0, text.data());
    // Stored as far as a name holds (the bank chunk shows it); the host's
    // program-name buffer gets no more than it is sized for.
    EXPECT_EQ(BankProgramName(plug->GetChunk(false)), std::string(255, 'a'));
    EXPECT_EQ(plug->ProgramName(), std::string(kVstMaxProgNameLen, 'a'));
}

TEST_F(Dispatcher, ProgramNamesFillAtMostTheHostsTwentyFivePlaceBuffer)
{
    const std::string name = "A program name of forty characters, long";
    ASSERT_EQ(name.size(), 40u);
    std::vector<char> text(name.begin(), name.end());
    text.push_back('\0');
    Dispatch(effSetProgramName, 0, 0, text.data());

    // A host that sizes the buffer as the interface documents (24 characters
    // and the terminator) must see nothing written beyond it.
    for (VstInt32 opcode : {effGetProgramName, effGetProgramNameIndexed})
    {
        char buffer[64];
        std::memset(buffer, 0x55, sizeof(buffer));
        const VstIntPtr answer = Dispatch(opcode, 0, 0, buffer);
        if (opcode == effGetProgramNameIndexed)
        {
            EXPECT_EQ(answer, 1);
        }
        EXPECT_EQ(Text(buffer), name.substr(0, 24)) << opcode;
        for (size_t i = 25; i < sizeof(buffer); ++i)
            ASSERT_EQ(buffer[i], 0x55) << opcode << " wrote at " << i;
    }

    // The stored name keeps its full length: in the bank chunk and in an
    // instance restored from it.
    const std::vector<uint8_t> bank = plug->GetChunk(false);
    EXPECT_EQ(BankProgramName(bank), name);
    auto other = Load();
    ASSERT_TRUE(other->SetChunk(false, bank));
    EXPECT_EQ(BankProgramName(other->GetChunk(false)), name);
    EXPECT_EQ(other->ProgramName(), name.substr(0, 24));
}

TEST_F(Dispatcher, SwitchingToTheCurrentProgramKeepsTheValues)
{
    plug->SetParameter(kThreshold, 0.3f);
    Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(Dispatch(effGetProgram), 0);
    EXPECT_FLOAT_EQ(plug->GetParameter(kThreshold), 0.3f);
    // A program that does not exist changes nothing.
    Dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(Dispatch(effGetProgram), 0);
    EXPECT_FLOAT_EQ(plug->GetParameter(kThreshold), 0.3f);
}

TEST_F(Dispatcher, UnsupportedOpcodesAnswerZero)
{
    char buffer[256] = {};
    for (VstInt32 opcode : std::initializer_list<VstInt32>{
             effGetVendorVersion, effGetTailSize, effSetProcessPrecision, effProcessVarIo, effGetVu,
             effSetBypass, effStartProcess, effStopProcess, 70, 79, 80, 1000, -1})
        EXPECT_EQ(Dispatch(opcode, 0, 0, buffer), 0) << opcode;
    EXPECT_EQ(Dispatch(effEditIdle), 0);
    EXPECT_EQ(Dispatch(effIdle), 0);
}

TEST_F(Dispatcher, MidiKeyNamesAreEmpty)
{
    MidiKeyName key{};
    key.thisKeyNumber = 60;
    std::memset(key.keyName, 'x', sizeof(key.keyName));
    EXPECT_EQ(Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
    EXPECT_EQ(key.keyName[0], '\0');
    EXPECT_EQ(Dispatch(effGetMidiKeyName, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, EventsAreAcceptedAndNonMidiOnesGoBackToTheHost)
{
    VstEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = 32;
    sysex.deltaFrames = 7;
    VstMidiEvent noteOn{};
    noteOn.type = kVstMidiType;
    noteOn.byteSize = 32;
    noteOn.deltaFrames = 3;
    noteOn.midiData[0] = static_cast<char>(0x90);
    noteOn.midiData[1] = 60;
    noteOn.midiData[2] = 100;
    // Room for three event pointers: the record declares two.
    struct
    {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[3];
    } list{3, 0, {nullptr, &sysex, reinterpret_cast<VstEvent*>(&noteOn)}};
    plug->ClearRecords();
    EXPECT_EQ(Dispatch(effProcessEvents, 0, 0, &list), 1);
    // The plug-in plays nothing: MIDI is passed through, unknown events sent back.
    const auto sent = plug->SentEvents();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].type, kVstSysExType);
    EXPECT_EQ(sent[0].deltaFrames, 7);
    EXPECT_EQ(sent[1].type, kVstMidiType);
    EXPECT_EQ(sent[1].byteSize, 32);
    EXPECT_EQ(sent[1].deltaFrames, 3);
    EXPECT_EQ(sent[1].midiData[0], 0x90);
    EXPECT_EQ(sent[1].midiData[1], 60);
    EXPECT_EQ(sent[1].midiData[2], 100);
    EXPECT_EQ(sent[1].midiData[3], 0);
    EXPECT_EQ(Dispatch(effProcessEvents, 0, 0, nullptr), 0);
}
