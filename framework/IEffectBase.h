#pragma once

#include "framework/IByteChunk.h"
#include "framework/IChannelPair.h"
#include "framework/IEditorView.h"
#include "framework/IHostId.h"
#include "framework/IInputChannel.h"
#include "framework/IMidiMessage.h"
#include "framework/IOutputChannel.h"
#include "framework/IParameter.h"
#include "framework/IPointerList.h"
#include "framework/IPresetSlot.h"
#include "framework/ITimeInfo.h"

#include <cstdint>
#include <mutex>

// The base of every plug-in: parameters, presets and state chunks, channel
// configurations and buffers, identity of plug-in and host, the attached
// editor canvas and the one recursive lock that serialises every entry from
// host, editor and audio.
//
// Threads: the host's GUI thread calls the dispatcher-side entries, its audio
// thread the processing entries; the editor calls SetParameterFromGUI and the
// begin/end edit notifications. Each entry says which lock it holds or takes.
// The lock is recursive, so entries may call each other.
class IEffectBase
{
  public:
    // Header of every chunk handed to the host: "tffp" little-endian, then
    // the format version.
    static constexpr int32_t kChunkMagic = 0x70666674;
    static constexpr int32_t kChunkVersion = 0x00010000;
    // Capacity of the identity texts, including the terminator.
    static constexpr int kIdentityTextSize = 128;

    // Four characters packed big-endian first, as hosts show identifiers.
    static constexpr int32_t MakeFourCC(char a, char b, char c, char d)
    {
        return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
                                    (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
                                    (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
                                    static_cast<uint32_t>(static_cast<uint8_t>(d)));
    }

    // Holds the plug-in lock for its scope.
    class ScopedLock
    {
      public:
        explicit ScopedLock(IEffectBase* effect) : mEffect(effect) { mEffect->Lock(); }
        ~ScopedLock() { mEffect->Unlock(); }
        ScopedLock(const ScopedLock&) = delete;
        ScopedLock& operator=(const ScopedLock&) = delete;

      private:
        IEffectBase* mEffect;
    };

    // channelIOStr: legal configurations "in-out" separated by single spaces,
    // e.g. "1-1 2-2"; null gives none. version: packed major << 16 | minor <<
    // 8 | patch. doesMidi is kept by the binding, not here.
    // Creation thread (the entry point's lock held).
    IEffectBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
                const char* productName, const char* makerName, int32_t version, int32_t uniqueID,
                int32_t makerID, int latency, bool doesMidi, bool doesChunks, bool isInstrument);

    IEffectBase(const IEffectBase&) = delete;
    IEffectBase& operator=(const IEffectBase&) = delete;

    // ---- Virtual slots, in table order ---------------------------------------

    // Deletes the canvas first, then parameters, presets, channel records and
    // channel pairs (each list last to first). GUI thread (effClose).
    virtual ~IEffectBase();

    // After a sample-rate, block-size or activation change. Takes the lock.
    virtual void OnReset();
    // After parameter idx changed (host, editor or preset). Takes the lock.
    virtual void OnParameterChange(int idx);
    // Audio thread, lock held. inputs has NInChannels() and outputs
    // NOutChannels() entries, each nFrames long; unconnected channels point at
    // zeroed (inputs) or scratch (outputs) buffers. Default: copies input i to
    // output i and zeros the outputs beyond the inputs.
    virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
    // The same copy in single precision; the VST 2 binding never calls it.
    virtual void ProcessBlockSingle(float** inputs, float** outputs, int nFrames);
    // A replacing single-precision block straight from the host's buffers,
    // for a plug-in that widens and narrows inside its own passes: offered
    // (instead of widening into the channel buffers, ProcessBlock and
    // narrowing) only when every channel is connected and given, with the
    // whole host block. Answer false to take the widening path; answering
    // true means the outputs are written. Audio thread, lock held, with the
    // floating-point mode ProcessBlock gets.
    virtual bool ProcessBlockSingleDirect(float** inputs, float** outputs, int nFrames)
    {
        (void)inputs;
        (void)outputs;
        (void)nFrames;
        return false;
    }
    // GUI thread, lock held.
    virtual void OnEditorOpened() {}
    virtual void OnEditorClosing() {}
    // Nothing calls this hook.
    virtual void ReservedHookA() {}
    // GUI thread. Takes the lock.
    virtual void OnActivate(bool active);
    // Audio or GUI thread, lock held. Default: sends the message back.
    virtual void ProcessMidiMessage(const IMidiMessage& msg);
    // Default: empties name (at least 1 byte) and answers false.
    virtual bool GetMidiNoteName(int key, char* name);
    // Appends the plug-in's state; default SerializeParams. Takes the lock.
    virtual bool SerializeState(IByteChunk& chunk);
    // Reads what SerializeState wrote from startPos; answers the position after
    // it or -1. Default UnserializeParams. Takes the lock.
    virtual int UnserializeState(const IByteChunk& chunk, int startPos);

    // Binding: requests to the host. Called with the lock held.
    virtual void BeginParameterEdit(int idx) = 0;
    virtual void InformHostOfParameterChange(int idx, double normalizedValue) = 0;
    virtual void EndParameterEdit(int idx) = 0;
    virtual void InformHostOfPresetChange() = 0;
    virtual int GetSamplePosition() = 0;
    virtual double GetTempo() = 0;
    virtual void GetTimeSignature(int* numerator, int* denominator) = 0;
    virtual void GetTimeInfo(ITimeInfo* info) = 0;

    // The stored host id; the binding asks the host when it is HostNotAsked.
    virtual HostId GetHost() { return static_cast<HostId>(mHostId); }
    // Binding.
    virtual void UpdateEditorRect() = 0;
    // Nothing calls these two.
    virtual void ReservedHookB() {}
    virtual bool ReservedQuery() { return false; }
    // Binding: once at effOpen, lock held.
    virtual void HostSpecificInit() = 0;

    // Takes ownership of canvas (null does nothing): pushes every parameter's
    // normalised value into it, lets it prepare drawing and stores it.
    // Creation thread; takes the lock.
    virtual void AttachGraphics(IEditorView* canvas);
    // Resizes every channel buffer to frames doubles and zeros it; nothing when
    // frames is the current size. Allocates: GUI thread, lock held.
    virtual void SetBlockSize(int frames);
    virtual void SetLatency(int samples) { mLatency = samples; }
    // Binding.
    virtual bool SendMidiMessage(const IMidiMessage& msg) = 0;
    virtual bool SendMidiMessages(const IMidiMessage* msgs, int count) = 0;

    // Appends every parameter's plain value as a double; false when memory is
    // exhausted. Takes the lock.
    virtual bool SerializeParams(IByteChunk& chunk);
    // Reads one double per parameter from pos, clamping each into its range,
    // then calls OnParameterChange for every parameter. Answers the position
    // after the last double, or -1 when the chunk ends early (the first
    // unreadable parameter is then set to the clamp of 0). Takes the lock.
    virtual int UnserializeParams(const IByteChunk& chunk, int pos);
    // Pushes every parameter's plain value into the canvas, if any. Lock held.
    virtual void RedrawParamControls();
    // Appends every preset (name, initialised byte, state). Lock held.
    virtual bool SerializePresets(IByteChunk& chunk);
    // Reads what SerializePresets wrote, then restores the current preset.
    // Answers the last position or -1. Lock held.
    virtual int UnserializePresets(const IByteChunk& chunk, int pos);
    virtual void OnPresetsChanged() {}

    // ---- The lock ------------------------------------------------------------

    // Recursive: the same thread may take it again while holding it.
    void Lock() { mMutex.lock(); }
    void Unlock() { mMutex.unlock(); }
    // Takes the lock only if no other thread holds it.
    bool TryLock() { return mMutex.try_lock(); }

    // ---- Identity and host ---------------------------------------------------

    const char* GetEffectName() const { return mEffectName; }
    const char* GetProductName() const { return mProductName; }
    const char* GetMakerName() const { return mMakerName; }
    int32_t GetUniqueID() const { return mUniqueID; }
    int32_t GetMakerID() const { return mMakerID; }
    // Packed, or with decimal true major * 10000 + minor * 100 + patch.
    int32_t GetEffectVersion(bool decimal) const;
    bool DoesChunks() const { return mDoesChunks; }
    bool IsInstrument() const { return mIsInstrument; }
    // The stored id, without asking the host (HostNotAsked until SetHost).
    HostId GetHostId() const { return static_cast<HostId>(mHostId); }
    int32_t GetHostVersion() const { return mHostVersion; }
    // Classifies the host by its product text and stores id and version.
    // GUI thread, lock held.
    void SetHost(const char* productText, int32_t version);

    // ---- Parameters ----------------------------------------------------------

    int NParams() const { return mParams.GetSize(); }
    // Null for an invalid index.
    IParameter* GetParam(int idx) const { return mParams.Get(idx); }
    // The editor's entry for a user change (idx must be valid): sets the
    // normalised value, informs the host, calls OnParameterChange.
    // GUI thread; takes the lock.
    void SetParameterFromGUI(int idx, double normalizedValue);
    // OnParameterChange for every index from 0 up. Lock held (effOpen).
    void ResendAllParameters();

    // ---- Audio configuration -------------------------------------------------

    double GetSampleRate() const { return mSampleRate; }
    // Stores the rate; the binding calls OnReset afterwards. Lock held.
    void SetSampleRate(double rate) { mSampleRate = rate; }
    int GetBlockSize() const { return mBlockSize; }
    int GetLatency() const { return mLatency; }
    IEditorView* GetGUI() const { return mCanvas; }

    int NChannelPairs() const { return mChannelPairs.GetSize(); }
    const IChannelPair* GetChannelPair(int idx) const { return mChannelPairs.Get(idx); }
    // True when some configuration has these counts; a negative count matches
    // any. Any thread.
    bool LegalIO(int nIn, int nOut) const;
    // Largest input and output counts among the configurations.
    int NInChannels() const { return mInChannels.GetSize(); }
    int NOutChannels() const { return mOutChannels.GetSize(); }
    bool IsInChannelConnected(int idx) const;
    bool IsOutChannelConnected(int idx) const;

    // Connects or disconnects channels first..first+count-1 (clipped to the
    // channel count). A disconnected input then reads its own zeroed buffer,
    // a disconnected output writes into its own buffer. Lock held.
    void SetInputChannelConnections(int first, int count, bool connected);
    void SetOutputChannelConnections(int first, int count, bool connected);
    // Inputs from the third on read silence; outputs from the third on count
    // as connected (for hosts that offer only stereo). Lock held.
    void LimitToStereoIO();

    // Buffer attachment for the process callbacks (audio thread, lock held),
    // over channels first..first+count-1 clipped to the channel count. The
    // k-th connected channel takes the host's k-th pointer; hostPtrs must hold
    // one pointer per connected channel of the range.
    void AttachInputBuffers(int first, int count, double** hostPtrs);
    // Widens nFrames floats of each connected input into its channel buffer
    // (nFrames must not exceed GetBlockSize()).
    void AttachInputBuffers(int first, int count, float** hostPtrs, int nFrames);
    void AttachOutputBuffers(int first, int count, double** hostPtrs);
    // Points each connected output at its channel buffer and keeps the host's
    // float pointer as its destination.
    void AttachOutputBuffers(int first, int count, float** hostPtrs);
    // After ProcessBlock on single outputs: narrows nFrames doubles of each
    // connected output into the host's float buffer, replacing or (accumulate)
    // adding in single precision.
    void NarrowOutputs(int nFrames, bool accumulate);
    // What ProcessBlock receives: NInChannels() / NOutChannels() entries.
    double** GetInputPointers() const { return mInputPtrs; }
    double** GetOutputPointers() const { return mOutputPtrs; }

    // Whole process callbacks (audio thread, lock held by the caller: the
    // binding's process callback takes it once for the block): attach, run
    // ProcessBlock and, for single precision, narrow. Blocks longer than the
    // channel buffers (GetBlockSize()) are processed in pieces of at most that
    // length, so no buffer is overrun. A negative frame count counts as 0.
    // Both run with flush-to-zero and denormals-are-zero set (IFlushDenormals)
    // and restore the thread's floating-point mode before returning.
    void ProcessHostDouble(double** inputs, double** outputs, int nFrames);
    void ProcessHostSingle(float** inputs, float** outputs, int nFrames, bool accumulate);

    // ---- Presets and chunks ----------------------------------------------------

    int NPresets() const { return mPresets.GetSize(); }
    int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
    // The empty text for an index outside the presets.
    const char* GetPresetName(int idx) const;
    const IPresetSlot* GetPresetSlot(int idx) const { return mPresets.Get(idx); }
    // count times: initialises the first uninitialised slot (if any) with name
    // ("Empty" for null) and the current values. Creation thread.
    void MakeDefaultPresets(const char* name, int count);
    // Loads preset idx (an uninitialised slot is first filled with the current
    // values and a "user preset N" name) and makes it current. Lock held.
    bool RestorePreset(int idx);
    // Stores the current values into the current preset and renames it when
    // newName is neither null nor empty. Lock held.
    void ModifyCurrentPreset(const char* newName = nullptr);
    // "user preset N", N one more than the presets so named already.
    void GetUnusedPresetName(char* out, int outSize) const;
    // Empties chunk and writes the header.
    static bool InitChunkWithHeader(IByteChunk& chunk);

    // set-chunk: copies size bytes from the host into ownBuffer and loads them
    // as a bank (isBank) or program chunk. Answers 1 on success, 0 when the
    // chunk is short, malformed or cannot be copied. GUI thread; takes the
    // lock.
    int ReadChunkFromHost(const void* data, int size, bool isBank, IByteChunk& ownBuffer);
    // get-chunk: writes the bank or program chunk into ownBuffer, stores its
    // address at *outData and answers its size; 0 on failure (outData then
    // untouched). The buffer stays valid until ownBuffer is next written.
    // GUI thread; takes the lock.
    int WriteChunkForHost(bool isBank, IByteChunk& ownBuffer, void** outData);

  private:
    void ParseChannelIO(const char* channelIOStr);
    // Points disconnected channels' slots at their (possibly moved) buffers.
    void RefreshDisconnectedSlots();
    // True when a double-precision block would read or write a channel
    // buffer, which holds only mBufferFrames frames.
    template <class Sample> bool NeedsChannelBuffers(Sample** inputs, Sample** outputs) const;
    int ConnectedInputs() const;
    int ConnectedOutputs() const;

    IPointerList<IChannelPair> mChannelPairs;
    std::recursive_mutex mMutex;
    char mEffectName[kIdentityTextSize] = {};
    char mProductName[kIdentityTextSize] = {};
    char mMakerName[kIdentityTextSize] = {};
    int32_t mUniqueID;
    int32_t mMakerID;
    int32_t mVersion;
    int32_t mHostId = HostNotAsked;
    int32_t mHostVersion = 0;
    bool mDoesChunks;
    bool mIsInstrument;
    double mSampleRate = 44100.0;
    int mBlockSize = 0;
    int mLatency;
    IPointerList<IParameter> mParams;
    IEditorView* mCanvas = nullptr;
    IPointerList<IPresetSlot> mPresets;
    int mCurrentPresetIdx = 0;
    double** mInputPtrs = nullptr;
    double** mOutputPtrs = nullptr;
    IPointerList<IInputChannel> mInChannels;
    IPointerList<IOutputChannel> mOutChannels;

    // Frames every channel buffer holds (the block size unless an allocation
    // failed).
    int mBufferFrames = 0;
    // Host pointers offset into the current piece of a long block (sized NIn
    // and NOut at construction, so processing allocates nothing).
    double** mPieceIn = nullptr;
    double** mPieceOut = nullptr;
    float** mPieceInSingle = nullptr;
    float** mPieceOutSingle = nullptr;
};
