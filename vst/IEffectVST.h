#pragma once

#include "framework/IByteChunk.h"
#include "framework/IEffectBase.h"
#include "vst/VstInterface.h"

// The VST 2 binding: fills the effect record that the entry point hands to the
// host, answers the host through the record's callbacks and makes the
// framework's requests to the host through the host callback.
//
// The record's C callbacks are thin: they find the object through the
// record's object field, take the plug-in lock, forward to the framework and
// translate the answer. Each object embeds its own record; objects share
// nothing but the entry point's mutex.
class IEffectVST : public IEffectBase
{
  public:
    // Creation thread, the entry point's mutex held. The remaining arguments
    // are those of IEffectBase.
    IEffectVST(audioMasterCallback hostCallback, int nParams, const char* channelIOStr,
               int nPresets, const char* effectName, const char* productName, const char* makerName,
               int32_t version, int32_t uniqueID, int32_t makerID, int latency, bool doesMidi,
               bool doesChunks, bool isInstrument);
    ~IEffectVST() override;

    // The record handed to the host; its object field points back to this.
    AEffect* GetAEffect() { return &mAEffect; }
    bool DoesMidi() const { return mDoesMidi; }

    // ---- Requests to the host (lock held by the caller) -------------------------

    void BeginParameterEdit(int idx) override;
    void InformHostOfParameterChange(int idx, double normalizedValue) override;
    void EndParameterEdit(int idx) override;
    void InformHostOfPresetChange() override;
    // Frames since the start of the song, rounded; 0 when the host has none.
    int GetSamplePosition() override;
    // Beats per minute; 0 when the host reports no valid tempo.
    double GetTempo() override;
    // Both 0 when the host reports no valid time signature.
    void GetTimeSignature(int* numerator, int* denominator) override;
    // Overwrites only the fields the host reports as valid.
    void GetTimeInfo(ITimeInfo* info) override;
    // Asks the host for its product and version the first time only.
    HostId GetHost() override;
    void UpdateEditorRect() override;
    // effOpen: identifies the host once and limits the channels for the hosts
    // that offer only stereo.
    void HostSpecificInit() override;
    // Creation thread: as the base, then announces the editor and its size.
    void AttachGraphics(IEditorView* canvas) override;
    void SetLatency(int samples) override;
    bool SendMidiMessage(const IMidiMessage& msg) override;
    bool SendMidiMessages(const IMidiMessage* msgs, int count) override;

  private:
    // Record callbacks (C calling convention of the interface).
    static VstIntPtr VSTCALLBACK VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                               VstIntPtr value, void* ptr, float opt);
    static void VSTCALLBACK VSTProcessAccumulating(AEffect* effect, float** inputs, float** outputs,
                                                   VstInt32 frames);
    static void VSTCALLBACK VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                                VstInt32 frames);
    static void VSTCALLBACK VSTProcessDoubleReplacing(AEffect* effect, double** inputs,
                                                      double** outputs, VstInt32 frames);
    static float VSTCALLBACK VSTGetParameter(AEffect* effect, VstInt32 index);
    static void VSTCALLBACK VSTSetParameter(AEffect* effect, VstInt32 index, float value);

    // The object behind a record, or null for a record without one.
    static IEffectVST* FromRecord(AEffect* effect);

    // Dispatcher work, lock held (effClose is handled by the callback itself).
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr StringToParameter(int idx, const char* text);
    VstIntPtr PinProperties(int idx, VstPinProperties* pin, int count, const char* labelFormat);
    VstIntPtr SetSpeakerArrangement(const VstSpeakerArrangement* in,
                                    const VstSpeakerArrangement* out);
    VstIntPtr ProcessEvents(const VstEvents* events);
    VstIntPtr CanDo(const char* text);

    VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // The host's transport record for the given validity request, or null.
    const VstTimeInfo* AskTime(VstInt32 wanted);
    bool SendEvent(VstEvent* event);
    void SetEditRectFromCanvas();
    static void FillArrangement(VstSpeakerArrangement& arrangement, int nChannels);

    ERect mEditRect;
    audioMasterCallback mHostCallback;
    VstSpeakerArrangement mInputArrangement;
    VstSpeakerArrangement mOutputArrangement;
    bool mHostSpecificInitDone = false;
    bool mDoesMidi;
    IByteChunk mProgramChunk; // last program chunk exchanged with the host
    IByteChunk mBankChunk;    // last bank chunk exchanged with the host
    AEffect mAEffect;
};
