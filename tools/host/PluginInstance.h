#pragma once

#include "SharedLibrary.h"
#include "vst/VstInterface.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// What the host says about itself when a plug-in asks.
struct HostIdentity
{
    std::string product = "korvala-host"; // audioMasterGetProductString
    std::string vendor = "Korvala";       // audioMasterGetVendorString
    VstInt32 vendorVersion = 10000;       // audioMasterGetVendorVersion, decimal (1.0.0)
};

// One automation-style request the plug-in made (audioMasterAutomate,
// audioMasterBeginEdit, audioMasterEndEdit), in arrival order.
struct HostRequest
{
    VstInt32 opcode;
    VstInt32 index;
    float opt; // the normalised value for audioMasterAutomate, else 0
};

// One event the plug-in sent with audioMasterProcessEvents.
struct SentEvent
{
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    std::array<unsigned char, 4> midiData; // meaningful for kVstMidiType
};

// One VST 2 effect instance as a host sees it: loads the library, calls its
// entry point with our host callback and drives the effect record. Every
// request the plug-in makes through the callback is answered for this
// instance (several instances may live at once, also in different threads:
// the only shared state is a thread-local pointer used while an entry point
// runs) and the notifications are recorded for tests and tools to read.
//
// Calls on one instance must come from one thread at a time, as a host's
// dispatcher and audio threads would; the recorded lists have their own lock
// because a plug-in may notify from any thread.
class PluginInstance
{
  public:
    explicit PluginInstance(HostIdentity identity = HostIdentity());
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // Loads the library, finds VSTPluginMain (or main), calls it and checks
    // the magic, then sends effOpen. False with Error() on any failure.
    bool Open(const std::string& path);
    // The same for an entry point linked into this program (a tool that
    // reaches behind the effect record, such as the panel snapshot).
    bool OpenEntry(VstPluginMainProc entry);
    // effSetSampleRate, effSetBlockSize, then effMainsChanged (1).
    void Start(double sampleRate, VstInt32 blockSize);
    // Suspends if resumed, sends effClose and unloads the library. Safe to repeat.
    void Close();

    bool IsOpen() const { return effect_ != nullptr; }
    // Where the instance came from, so that a tool can open another one like
    // it: the library path (empty for OpenEntry) or the linked entry point.
    const std::string& Path() const { return path_; }
    VstPluginMainProc Entry() const { return entry_; }
    AEffect* Effect() const { return effect_; }
    const std::string& Error() const { return error_; }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

    // Host settings, told to the plug-in and answered back when it asks.
    void SetSampleRate(double sampleRate);
    void SetBlockSize(VstInt32 blockSize);
    void Resume();  // effMainsChanged (1)
    void Suspend(); // effMainsChanged (0)
    bool IsResumed() const { return resumed_; }
    double SampleRate() const { return sampleRate_; }
    VstInt32 BlockSize() const { return blockSize_; }

    // Parameters. Index checks are the plug-in's business: these pass the
    // index through so that tests can probe invalid ones.
    VstInt32 NumParams() const { return effect_ != nullptr ? effect_->numParams : 0; }
    float GetParameter(VstInt32 index);
    void SetParameter(VstInt32 index, float normalised);
    std::string ParameterName(VstInt32 index);
    std::string ParameterLabel(VstInt32 index);
    std::string ParameterDisplay(VstInt32 index);
    // effString2Parameter, as a host's text entry sets a value; answers the
    // plug-in's answer (1 accepted, 0 refused).
    VstIntPtr SetParameterText(VstInt32 index, const std::string& text);
    // Index of the parameter whose name equals name (exactly, else ignoring
    // case), or -1.
    VstInt32 FindParameter(const std::string& name);

    std::string EffectName();
    std::string VendorString();
    std::string ProductString();
    std::string ProgramName();

    // Processing. Each call advances the transport position by frames.
    void ProcessReplacing(float** inputs, float** outputs, VstInt32 frames);
    void ProcessDoubleReplacing(double** inputs, double** outputs, VstInt32 frames);
    void ProcessAccumulating(float** inputs, float** outputs, VstInt32 frames);
    bool CanReplacing() const;
    bool CanDoubleReplacing() const;

    // State. GetChunk copies what the plug-in hands over (empty on refusal);
    // SetChunk answers the plug-in's answer as a bool.
    std::vector<uint8_t> GetChunk(bool program);
    // Reads a program chunk saved by a tool (render --save-state) and hands it
    // to the plug-in; false with error when the file cannot be read or the
    // plug-in refuses it.
    bool SetChunkFromFile(const std::string& path, std::string& error);
    bool SetChunk(bool program, const std::vector<uint8_t>& data);

    // What the plug-in asked of the host.
    std::vector<HostRequest> Requests() const;
    std::vector<SentEvent> SentEvents() const;
    void ClearRecords();
    // How often the plug-in called the host with opcode (0..63; 0 outside).
    int RequestCount(VstInt32 opcode) const;
    bool WantsMidi() const;

    // The transport the host reports: playing at 120 BPM in 4/4 from
    // position 0, advanced by processing.
    double SamplePosition() const { return samplePosition_; }
    void SetSamplePosition(double samples) { samplePosition_ = samples; }

    // The host callback handed to every entry point.
    static VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt);

  private:
    bool StartEffect(VstPluginMainProc entry);
    VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    std::string AskText(VstInt32 opcode, VstInt32 index);
    const VstTimeInfo* FillTimeInfo();

    HostIdentity identity_;
    SharedLibrary library_;
    std::string path_;
    VstPluginMainProc entry_ = nullptr;
    AEffect* effect_ = nullptr;
    std::string error_;

    double sampleRate_ = 44100.0;
    VstInt32 blockSize_ = 1024;
    bool resumed_ = false;
    double samplePosition_ = 0.0;
    VstTimeInfo timeInfo_{};

    mutable std::mutex recordLock_; // guards the members below
    std::vector<HostRequest> requests_;
    std::vector<SentEvent> events_;
    std::array<int, 64> requestCounts_{};
    bool wantsMidi_ = false;
};
