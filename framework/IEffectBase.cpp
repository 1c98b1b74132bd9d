#include "framework/IEffectBase.h"

#include "framework/IFlushDenormals.h"
#include "framework/ITrace.h"
#include "framework/TextCopy.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#define TRACE(fn, ...) ITrace::Write(fn, __LINE__, __VA_ARGS__)

namespace
{
// Reads a decimal int like "%d" does (leading white space, optional sign);
// answers the end of the number, or null when there is none. Out-of-range
// numbers saturate instead of overflowing.
const char* ReadInt(const char* p, int* out)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(p, &end, 10);
    if (end == p) return nullptr;
    *out = v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
    return end;
}

template <class T> T** NewPointerArray(int n)
{
    if (n <= 0) return nullptr;
    T** a = new (std::nothrow) T*[static_cast<size_t>(n)];
    if (a)
        for (int i = 0; i < n; ++i)
            a[i] = nullptr;
    return a;
}
} // namespace

IEffectBase::IEffectBase(int nParams, const char* channelIOStr, int nPresets,
                         const char* effectName, const char* productName, const char* makerName,
                         int32_t version, int32_t uniqueID, int32_t makerID, int latency, bool,
                         bool doesChunks, bool isInstrument)
    : mUniqueID(uniqueID), mMakerID(makerID), mVersion(version), mDoesChunks(doesChunks),
      mIsInstrument(isInstrument), mLatency(latency)
{
    // Time stamp "YYYYMMDD HH:MM " and the capitals of the zone name.
    char stamp[64] = {};
    char zone[32] = {};
    const std::time_t now = std::time(nullptr);
    // The re-entrant conversion: std::localtime's shared result would be
    // overwritten under another thread (or a caller) still reading it.
    std::tm localStorage = {};
#if defined(_WIN32)
    const std::tm* local = localtime_s(&localStorage, &now) == 0 ? &localStorage : nullptr;
#else
    const std::tm* local = localtime_r(&now, &localStorage);
#endif
    if (local)
    {
        std::strftime(stamp, sizeof(stamp), "%Y%m%d %H:%M ", local);
        char zoneName[32] = {};
        std::strftime(zoneName, sizeof(zoneName), "%Z", local);
        int k = 0;
        for (int i = 0; zoneName[i] != '\0' && k < 31; ++i)
            if (zoneName[i] >= 'A' && zoneName[i] <= 'Z') zone[k++] = zoneName[i];
    }
    std::strncat(stamp, zone, sizeof(stamp) - std::strlen(stamp) - 1);
    TRACE("IEffectBase::IEffectBase", "%s:%s", effectName ? effectName : "", stamp);

    for (int i = 0; i < nParams; ++i)
        if (IParameter* p = new (std::nothrow) IParameter())
            if (!mParams.Add(p)) delete p;
    for (int i = 0; i < nPresets; ++i)
        if (IPresetSlot* s = new (std::nothrow) IPresetSlot())
            if (!mPresets.Add(s)) delete s;

    CopyBoundedText(mEffectName, kIdentityTextSize, effectName);
    CopyBoundedText(mProductName, kIdentityTextSize, productName);
    CopyBoundedText(mMakerName, kIdentityTextSize, makerName);

    ParseChannelIO(channelIOStr);
}

void IEffectBase::ParseChannelIO(const char* channelIOStr)
{
    int nIn = 0;
    int nOut = 0;
    const char* p = channelIOStr;
    while (p)
    {
        // Both counts start at 0 for every entry, so an unreadable entry
        // (such as the empty one after a trailing space) yields 0-0.
        int in = 0;
        int out = 0;
        if (const char* q = ReadInt(p, &in))
            if (*q == '-') ReadInt(q + 1, &out);
        if (IChannelPair* pair = new (std::nothrow) IChannelPair())
        {
            pair->mNIn = in;
            pair->mNOut = out;
            if (!mChannelPairs.Add(pair)) delete pair;
        }
        if (in > nIn) nIn = in;
        if (out > nOut) nOut = out;
        p = std::strchr(p, ' ');
        if (p) ++p;
    }

    mInputPtrs = NewPointerArray<double>(nIn);
    mOutputPtrs = NewPointerArray<double>(nOut);
    mPieceIn = NewPointerArray<double>(nIn);
    mPieceOut = NewPointerArray<double>(nOut);
    mPieceInSingle = NewPointerArray<float>(nIn);
    mPieceOutSingle = NewPointerArray<float>(nOut);
    if ((nIn > 0 && (!mInputPtrs || !mPieceIn || !mPieceInSingle)) ||
        (nOut > 0 && (!mOutputPtrs || !mPieceOut || !mPieceOutSingle)))
        return; // out of memory: the plug-in has no channels

    for (int i = 0; i < nIn; ++i)
    {
        IInputChannel* ch = new (std::nothrow) IInputChannel();
        if (!ch) break;
        ch->mSlot = &mInputPtrs[i];
        if (!mInChannels.Add(ch))
        {
            delete ch;
            break;
        }
    }
    for (int i = 0; i < nOut; ++i)
    {
        IOutputChannel* ch = new (std::nothrow) IOutputChannel();
        if (!ch) break;
        ch->mSlot = &mOutputPtrs[i];
        if (!mOutChannels.Add(ch))
        {
            delete ch;
            break;
        }
    }
}

IEffectBase::~IEffectBase()
{
    delete mCanvas;
    mCanvas = nullptr;
    mParams.DeleteAll();
    mPresets.DeleteAll();
    mInChannels.DeleteAll();
    mOutChannels.DeleteAll();
    mChannelPairs.DeleteAll();
    delete[] mInputPtrs;
    delete[] mOutputPtrs;
    delete[] mPieceIn;
    delete[] mPieceOut;
    delete[] mPieceInSingle;
    delete[] mPieceOutSingle;
}

// ---- Virtual defaults ----------------------------------------------------------

void IEffectBase::OnReset()
{
    ScopedLock lock(this);
}

void IEffectBase::OnParameterChange(int)
{
    ScopedLock lock(this);
}

void IEffectBase::OnActivate(bool)
{
    ScopedLock lock(this);
}

void IEffectBase::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
    const int nIn = NInChannels();
    const int nOut = NOutChannels();
    if (!outputs || nFrames <= 0) return;
    for (int i = 0; i < nOut; ++i)
    {
        double* out = outputs[i];
        if (!out) continue;
        const double* in = (inputs && i < nIn) ? inputs[i] : nullptr;
        if (in)
            std::memmove(out, in, sizeof(double) * static_cast<size_t>(nFrames));
        else
            std::memset(out, 0, sizeof(double) * static_cast<size_t>(nFrames));
    }
}

void IEffectBase::ProcessBlockSingle(float** inputs, float** outputs, int nFrames)
{
    const int nIn = NInChannels();
    const int nOut = NOutChannels();
    if (!outputs || nFrames <= 0) return;
    for (int i = 0; i < nOut; ++i)
    {
        float* out = outputs[i];
        if (!out) continue;
        const float* in = (inputs && i < nIn) ? inputs[i] : nullptr;
        if (in)
            std::memmove(out, in, sizeof(float) * static_cast<size_t>(nFrames));
        else
            std::memset(out, 0, sizeof(float) * static_cast<size_t>(nFrames));
    }
}

void IEffectBase::ProcessMidiMessage(const IMidiMessage& msg)
{
    SendMidiMessage(msg);
}

bool IEffectBase::GetMidiNoteName(int, char* name)
{
    if (name) name[0] = '\0';
    return false;
}

bool IEffectBase::SerializeState(IByteChunk& chunk)
{
    ScopedLock lock(this);
    return SerializeParams(chunk);
}

int IEffectBase::UnserializeState(const IByteChunk& chunk, int startPos)
{
    ScopedLock lock(this);
    return UnserializeParams(chunk, startPos);
}

void IEffectBase::AttachGraphics(IEditorView* canvas)
{
    if (!canvas) return;
    ScopedLock lock(this);
    for (int i = 0; i < NParams(); ++i)
        canvas->SetParameterFromPlugin(i, GetParam(i)->GetNormalized(), true);
    canvas->PrepareDrawing();
    // A second attachment replaces the first; the base owns the canvas, so
    // the old one would otherwise leak.
    if (mCanvas && mCanvas != canvas) delete mCanvas;
    mCanvas = canvas;
}

void IEffectBase::SetBlockSize(int frames)
{
    ScopedLock lock(this);
    if (frames < 0) frames = 0;
    if (frames == mBlockSize) return;
    const long long bytes = static_cast<long long>(frames) * static_cast<long long>(sizeof(double));
    const int wanted = bytes > INT_MAX ? -1 : static_cast<int>(bytes);
    int held = frames;
    auto fit = [&](IHeapBuffer& buffer)
    {
        if (wanted >= 0) buffer.Resize(wanted, true);
        const int got = buffer.GetSize() / static_cast<int>(sizeof(double));
        if (got > 0) std::memset(buffer.Get(), 0, sizeof(double) * static_cast<size_t>(got));
        if (got < held) held = got;
    };
    for (int i = 0; i < NInChannels(); ++i)
        fit(mInChannels.Get(i)->mBuffer);
    for (int i = 0; i < NOutChannels(); ++i)
        fit(mOutChannels.Get(i)->mBuffer);
    mBufferFrames = held;
    mBlockSize = frames;
    RefreshDisconnectedSlots();
}

bool IEffectBase::SerializeParams(IByteChunk& chunk)
{
    ScopedLock lock(this);
    for (int i = 0; i < NParams(); ++i)
        if (chunk.PutDouble(GetParam(i)->Value()) == 0) return false;
    return true;
}

int IEffectBase::UnserializeParams(const IByteChunk& chunk, int pos)
{
    ScopedLock lock(this);
    for (int i = 0; i < NParams() && pos >= 0; ++i)
    {
        IParameter* param = GetParam(i);
        TRACE("IEffectBase::UnserializeParams", "%d %s %f", i, param->GetNameForHost(),
              param->Value());
        double v = 0.0;
        pos = chunk.GetDouble(&v, pos);
        param->SetValueClamped(v);
    }
    for (int i = 0; i < NParams(); ++i)
        OnParameterChange(i);
    return pos;
}

void IEffectBase::RedrawParamControls()
{
    ScopedLock lock(this);
    if (!mCanvas) return;
    for (int i = 0; i < NParams(); ++i)
        mCanvas->SetParameterFromPlugin(i, GetParam(i)->Value(), false);
}

bool IEffectBase::SerializePresets(IByteChunk& chunk)
{
    ScopedLock lock(this);
    for (int i = 0; i < NPresets(); ++i)
    {
        const IPresetSlot* slot = mPresets.Get(i);
        TRACE("IEffectBase::SerializePresets", "%d %s", i, slot->mName);
        if (chunk.PutStr(slot->mName) == 0 || chunk.PutByte(slot->mInitialized ? 1 : 0) == 0)
            return false;
        if (slot->mInitialized && slot->mChunk.Size() > 0 && chunk.PutChunk(slot->mChunk) == 0)
            return false;
    }
    return true;
}

int IEffectBase::UnserializePresets(const IByteChunk& chunk, int pos)
{
    ScopedLock lock(this);
    // A stored name of length 0 keeps the name read last in this call; every
    // bank this program writes has non-empty names.
    char name[IPresetSlot::kNameSize] = {};
    const int size = chunk.Size();
    for (int i = 0; i < NPresets() && pos >= 0; ++i)
    {
        IPresetSlot* slot = mPresets.Get(i);

        int32_t len = 0;
        if (chunk.GetInt32(&len, pos) < 0)
        {
            pos = -1;
        }
        else if (len < 0 || len > size - (pos + 4))
        {
            // The name would reach outside the chunk (or backwards, for a
            // negative length): the chunk is malformed.
            pos = -1;
        }
        else
        {
            if (len > 0)
            {
                const int kept =
                    len < IPresetSlot::kNameSize - 1 ? len : IPresetSlot::kNameSize - 1;
                std::memcpy(name, chunk.GetBytes() + pos + 4, static_cast<size_t>(kept));
                name[kept] = '\0';
            }
            pos += 4 + len;
        }
        CopyBoundedText(slot->mName, IPresetSlot::kNameSize, name);
        TRACE("IEffectBase::UnserializePresets", "%d %s", i, slot->mName);

        uint8_t initialized = 0;
        if (pos >= 0 && chunk.GetByte(&initialized, pos) >= 0)
        {
            slot->mInitialized = initialized != 0;
            ++pos;
        }
        else
        {
            pos = -1;
        }

        if (slot->mInitialized)
        {
            pos = UnserializeParams(chunk, pos);
            if (pos > 0)
            {
                slot->mChunk.Clear();
                SerializeParams(slot->mChunk);
            }
            else if (slot->mChunk.Size() != NParams() * static_cast<int>(sizeof(double)))
            {
                // The flag was read but the snapshot was not: a slot without a
                // full snapshot would be written back as a flag with too few
                // bytes, misaligning every later preset of the bank.
                slot->mInitialized = false;
            }
        }
    }
    RestorePreset(mCurrentPresetIdx);
    return pos;
}

// ---- Identity and host ---------------------------------------------------------

int32_t IEffectBase::GetEffectVersion(bool decimal) const
{
    if (!decimal) return mVersion;
    return ((mVersion >> 16) * 100 + ((mVersion >> 8) & 255)) * 100 + (mVersion & 255);
}

void IEffectBase::SetHost(const char* productText, int32_t version)
{
    mHostId = LookUpHostId(productText);
    mHostVersion = version;
    char versionText[64];
    std::snprintf(versionText, sizeof(versionText), "v%d.%d.%d", version >> 16,
                  (version >> 8) & 255, version & 255);
    TRACE("IEffectBase::SetHost", "host_%sknown:%s:%s", mHostId == HostUnknown ? "un" : "",
          productText ? productText : "", versionText);
}

// ---- Parameters ----------------------------------------------------------------

void IEffectBase::SetParameterFromGUI(int idx, double normalizedValue)
{
    TRACE("IEffectBase::SetParameterFromGUI", "%d:%f", idx, normalizedValue);
    ScopedLock lock(this);
    IParameter* param = GetParam(idx);
    if (!param) return;
    param->SetNormalized(normalizedValue);
    InformHostOfParameterChange(idx, normalizedValue);
    OnParameterChange(idx);
}

void IEffectBase::ResendAllParameters()
{
    ScopedLock lock(this);
    for (int i = 0; i < NParams(); ++i)
        OnParameterChange(i);
}

// ---- Channels ------------------------------------------------------------------

bool IEffectBase::LegalIO(int nIn, int nOut) const
{
    bool legal = false;
    for (int i = 0; i < mChannelPairs.GetSize() && !legal; ++i)
    {
        const IChannelPair* pair = mChannelPairs.Get(i);
        legal = (nIn < 0 || pair->mNIn == nIn) && (nOut < 0 || pair->mNOut == nOut);
    }
    TRACE("IEffectBase::LegalIO", "%d:%d:%s", nIn, nOut, legal ? "legal" : "illegal");
    return legal;
}

bool IEffectBase::IsInChannelConnected(int idx) const
{
    const IInputChannel* ch = mInChannels.Get(idx);
    return ch && ch->mConnected;
}

bool IEffectBase::IsOutChannelConnected(int idx) const
{
    const IOutputChannel* ch = mOutChannels.Get(idx);
    return ch && ch->mConnected;
}

void IEffectBase::SetInputChannelConnections(int first, int count, bool connected)
{
    ScopedLock lock(this);
    const long long end = static_cast<long long>(first) + count;
    for (long long i = first < 0 ? 0 : first; i < end && i < NInChannels(); ++i)
    {
        IInputChannel* ch = mInChannels.Get(static_cast<int>(i));
        ch->mConnected = connected;
        if (!connected)
        {
            // The buffer may still hold the last block widened into it for a
            // single-precision host; a disconnected input must read silence,
            // not repeat that block.
            if (ch->mBuffer.GetSize() > 0)
                std::memset(ch->mBuffer.Get(), 0, static_cast<size_t>(ch->mBuffer.GetSize()));
            *ch->mSlot = ch->mBuffer.GetAs<double>();
        }
    }
}

void IEffectBase::SetOutputChannelConnections(int first, int count, bool connected)
{
    ScopedLock lock(this);
    const long long end = static_cast<long long>(first) + count;
    for (long long i = first < 0 ? 0 : first; i < end && i < NOutChannels(); ++i)
    {
        IOutputChannel* ch = mOutChannels.Get(static_cast<int>(i));
        ch->mConnected = connected;
        if (!connected) *ch->mSlot = ch->mBuffer.GetAs<double>();
    }
}

void IEffectBase::LimitToStereoIO()
{
    ScopedLock lock(this);
    SetInputChannelConnections(2, NInChannels() - 2, false);
    SetOutputChannelConnections(2, NOutChannels() - 2, true);
}

void IEffectBase::RefreshDisconnectedSlots()
{
    for (int i = 0; i < NInChannels(); ++i)
    {
        IInputChannel* ch = mInChannels.Get(i);
        if (!ch->mConnected) *ch->mSlot = ch->mBuffer.GetAs<double>();
    }
    for (int i = 0; i < NOutChannels(); ++i)
    {
        IOutputChannel* ch = mOutChannels.Get(i);
        if (!ch->mConnected) *ch->mSlot = ch->mBuffer.GetAs<double>();
    }
}

int IEffectBase::ConnectedInputs() const
{
    int n = 0;
    for (int i = 0; i < NInChannels(); ++i)
        n += mInChannels.Get(i)->mConnected ? 1 : 0;
    return n;
}

int IEffectBase::ConnectedOutputs() const
{
    int n = 0;
    for (int i = 0; i < NOutChannels(); ++i)
        n += mOutChannels.Get(i)->mConnected ? 1 : 0;
    return n;
}

// A connected channel whose host pointer is missing falls back to its own
// buffer, like a disconnected one: a host bug must not become a null write.

void IEffectBase::AttachInputBuffers(int first, int count, double** hostPtrs)
{
    const long long end = static_cast<long long>(first) + count;
    int k = 0;
    for (long long i = first < 0 ? 0 : first; i < end && i < NInChannels(); ++i)
    {
        IInputChannel* ch = mInChannels.Get(static_cast<int>(i));
        if (!ch->mConnected) continue;
        double* p = hostPtrs ? hostPtrs[k] : nullptr;
        ++k;
        *ch->mSlot = p ? p : ch->mBuffer.GetAs<double>();
    }
}

void IEffectBase::AttachInputBuffers(int first, int count, float** hostPtrs, int nFrames)
{
    const long long end = static_cast<long long>(first) + count;
    const int n = nFrames < mBufferFrames ? (nFrames < 0 ? 0 : nFrames) : mBufferFrames;
    int k = 0;
    for (long long i = first < 0 ? 0 : first; i < end && i < NInChannels(); ++i)
    {
        IInputChannel* ch = mInChannels.Get(static_cast<int>(i));
        if (!ch->mConnected) continue;
        const float* src = hostPtrs ? hostPtrs[k] : nullptr;
        ++k;
        double* dst = ch->mBuffer.GetAs<double>();
        if (dst)
            for (int j = 0; j < n; ++j)
                dst[j] = src ? static_cast<double>(src[j]) : 0.0;
        *ch->mSlot = dst;
    }
}

void IEffectBase::AttachOutputBuffers(int first, int count, double** hostPtrs)
{
    const long long end = static_cast<long long>(first) + count;
    int k = 0;
    for (long long i = first < 0 ? 0 : first; i < end && i < NOutChannels(); ++i)
    {
        IOutputChannel* ch = mOutChannels.Get(static_cast<int>(i));
        if (!ch->mConnected) continue;
        double* p = hostPtrs ? hostPtrs[k] : nullptr;
        ++k;
        ch->mHostSingle = nullptr;
        *ch->mSlot = p ? p : ch->mBuffer.GetAs<double>();
    }
}

void IEffectBase::AttachOutputBuffers(int first, int count, float** hostPtrs)
{
    const long long end = static_cast<long long>(first) + count;
    int k = 0;
    for (long long i = first < 0 ? 0 : first; i < end && i < NOutChannels(); ++i)
    {
        IOutputChannel* ch = mOutChannels.Get(static_cast<int>(i));
        if (!ch->mConnected) continue;
        ch->mHostSingle = hostPtrs ? hostPtrs[k] : nullptr;
        ++k;
        *ch->mSlot = ch->mBuffer.GetAs<double>();
    }
}

void IEffectBase::NarrowOutputs(int nFrames, bool accumulate)
{
    const int n = nFrames < mBufferFrames ? (nFrames < 0 ? 0 : nFrames) : mBufferFrames;
    for (int i = 0; i < NOutChannels(); ++i)
    {
        IOutputChannel* ch = mOutChannels.Get(i);
        const double* src = ch->mBuffer.GetAs<double>();
        float* dst = ch->mHostSingle;
        if (!ch->mConnected || !src || !dst) continue;
        if (accumulate)
            for (int j = 0; j < n; ++j)
                dst[j] = dst[j] + static_cast<float>(src[j]);
        else
            for (int j = 0; j < n; ++j)
                dst[j] = static_cast<float>(src[j]);
    }
}

template <class Sample>
bool IEffectBase::NeedsChannelBuffers(Sample** inputs, Sample** outputs) const
{
    if (ConnectedInputs() != NInChannels() || ConnectedOutputs() != NOutChannels()) return true;
    for (int i = 0; i < NInChannels(); ++i)
        if (!inputs || !inputs[i]) return true;
    for (int i = 0; i < NOutChannels(); ++i)
        if (!outputs || !outputs[i]) return true;
    return false;
}

template bool IEffectBase::NeedsChannelBuffers(double**, double**) const;
template bool IEffectBase::NeedsChannelBuffers(float**, float**) const;

void IEffectBase::ProcessHostDouble(double** inputs, double** outputs, int nFrames)
{
    // Flush-to-zero for this call only: the host's own mode is restored on
    // return, whichever path returns.
    IFlushDenormals flush;
    if (nFrames < 0) nFrames = 0;
    const int nConnIn = ConnectedInputs();
    const int nConnOut = ConnectedOutputs();
    if (!NeedsChannelBuffers(inputs, outputs))
    {
        AttachInputBuffers(0, NInChannels(), inputs);
        AttachOutputBuffers(0, NOutChannels(), outputs);
        ProcessBlock(mInputPtrs, mOutputPtrs, nFrames);
        return;
    }
    if (nFrames > 0 && mBufferFrames <= 0)
    {
        // No channel buffer to stand in for the missing channels: silence.
        for (int k = 0; k < nConnOut; ++k)
            if (outputs && outputs[k])
                std::memset(outputs[k], 0, sizeof(double) * static_cast<size_t>(nFrames));
        return;
    }
    int done = 0;
    do
    {
        const int n = nFrames - done < mBufferFrames ? nFrames - done : mBufferFrames;
        for (int k = 0; k < nConnIn; ++k)
            mPieceIn[k] = (inputs && inputs[k]) ? inputs[k] + done : nullptr;
        for (int k = 0; k < nConnOut; ++k)
            mPieceOut[k] = (outputs && outputs[k]) ? outputs[k] + done : nullptr;
        AttachInputBuffers(0, NInChannels(), mPieceIn);
        AttachOutputBuffers(0, NOutChannels(), mPieceOut);
        ProcessBlock(mInputPtrs, mOutputPtrs, n);
        done += n;
    } while (done < nFrames);
}

void IEffectBase::ProcessHostSingle(float** inputs, float** outputs, int nFrames, bool accumulate)
{
    // As in ProcessHostDouble; it also covers the narrowing to single
    // precision.
    IFlushDenormals flush;
    if (nFrames < 0) nFrames = 0;
    const int nConnIn = ConnectedInputs();
    const int nConnOut = ConnectedOutputs();
    if (nFrames > 0 && mBufferFrames <= 0)
    {
        if (!accumulate)
            for (int k = 0; k < nConnOut; ++k)
                if (outputs && outputs[k])
                    std::memset(outputs[k], 0, sizeof(float) * static_cast<size_t>(nFrames));
        return;
    }
    if (!accumulate && !NeedsChannelBuffers(inputs, outputs) &&
        ProcessBlockSingleDirect(inputs, outputs, nFrames))
        return;
    int done = 0;
    do
    {
        const int n = nFrames - done < mBufferFrames ? nFrames - done : mBufferFrames;
        for (int k = 0; k < nConnIn; ++k)
            mPieceInSingle[k] = (inputs && inputs[k]) ? inputs[k] + done : nullptr;
        for (int k = 0; k < nConnOut; ++k)
            mPieceOutSingle[k] = (outputs && outputs[k]) ? outputs[k] + done : nullptr;
        AttachInputBuffers(0, NInChannels(), mPieceInSingle, n);
        AttachOutputBuffers(0, NOutChannels(), mPieceOutSingle);
        ProcessBlock(mInputPtrs, mOutputPtrs, n);
        NarrowOutputs(n, accumulate);
        done += n;
    } while (done < nFrames);
}

// ---- Presets and chunks --------------------------------------------------------

const char* IEffectBase::GetPresetName(int idx) const
{
    const IPresetSlot* slot = mPresets.Get(idx);
    return slot ? slot->mName : "";
}

void IEffectBase::MakeDefaultPresets(const char* name, int count)
{
    ScopedLock lock(this);
    for (int n = 0; n < count; ++n)
    {
        IPresetSlot* slot = nullptr;
        for (int i = 0; i < NPresets() && !slot; ++i)
            if (!mPresets.Get(i)->mInitialized) slot = mPresets.Get(i);
        if (!slot) return;
        slot->mInitialized = true;
        CopyBoundedText(slot->mName, IPresetSlot::kNameSize, name ? name : "Empty");
        SerializeParams(slot->mChunk);
    }
}

void IEffectBase::GetUnusedPresetName(char* out, int outSize) const
{
    if (!out || outSize <= 0) return;
    int used = 0;
    for (int i = 0; i < NPresets(); ++i)
        if (std::strstr(mPresets.Get(i)->mName, "user preset")) ++used;
    std::snprintf(out, static_cast<size_t>(outSize), "%s %d", "user preset", used + 1);
}

bool IEffectBase::RestorePreset(int idx)
{
    ScopedLock lock(this);
    IPresetSlot* slot = mPresets.Get(idx);
    if (!slot) return false;
    bool ok;
    if (slot->mInitialized)
    {
        ok = UnserializeParams(slot->mChunk, 0) > 0;
    }
    else
    {
        slot->mInitialized = true;
        char name[IPresetSlot::kNameSize];
        GetUnusedPresetName(name, sizeof(name));
        CopyBoundedText(slot->mName, IPresetSlot::kNameSize, name);
        ok = SerializeParams(slot->mChunk);
    }
    if (ok)
    {
        mCurrentPresetIdx = idx;
        OnPresetsChanged();
        RedrawParamControls();
    }
    return ok;
}

void IEffectBase::ModifyCurrentPreset(const char* newName)
{
    ScopedLock lock(this);
    IPresetSlot* slot = mPresets.Get(mCurrentPresetIdx);
    if (!slot) return;
    slot->mChunk.Clear();
    TRACE("IEffectBase::ModifyCurrentPreset", "%d %s", mCurrentPresetIdx, slot->mName);
    SerializeParams(slot->mChunk);
    if (newName && newName[0] != '\0')
        CopyBoundedText(slot->mName, IPresetSlot::kNameSize, newName);
}

bool IEffectBase::InitChunkWithHeader(IByteChunk& chunk)
{
    chunk.Clear();
    return chunk.PutInt32(kChunkMagic) != 0 && chunk.PutInt32(kChunkVersion) != 0;
}

int IEffectBase::ReadChunkFromHost(const void* data, int size, bool isBank, IByteChunk& ownBuffer)
{
    ScopedLock lock(this);
    if (!data || size < 0) return 0;
    ownBuffer.Clear();
    if (ownBuffer.Resize(size) != size) return 0;
    if (size > 0) std::memcpy(ownBuffer.GetBytes(), data, static_cast<size_t>(size));

    // A chunk without the magic is taken as headerless parameter data.
    int32_t magic = 0;
    int32_t version = 0;
    int pos = 0;
    if (ownBuffer.GetInt32(&magic, 0) >= 0 && magic == kChunkMagic)
        pos = ownBuffer.GetInt32(&version, 4) >= 0 ? 8 : -1;

    if (isBank && version >= kChunkVersion)
    {
        pos = UnserializePresets(ownBuffer, pos);
    }
    else
    {
        pos = UnserializeState(ownBuffer, pos);
        ModifyCurrentPreset(nullptr);
    }
    if (pos < 0) return 0;
    RedrawParamControls();
    return 1;
}

int IEffectBase::WriteChunkForHost(bool isBank, IByteChunk& ownBuffer, void** outData)
{
    ScopedLock lock(this);
    if (!outData) return 0;
    bool ok = InitChunkWithHeader(ownBuffer);
    if (ok)
    {
        if (isBank)
        {
            ModifyCurrentPreset(nullptr);
            ok = SerializePresets(ownBuffer);
        }
        else
        {
            ok = SerializeState(ownBuffer);
        }
    }
    if (!ok || ownBuffer.Size() <= 0) return 0;
    *outData = ownBuffer.GetBytes();
    return ownBuffer.Size();
}
