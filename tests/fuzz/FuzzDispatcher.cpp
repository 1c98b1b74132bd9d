// Fuzzes the dispatcher: the input is a sequence of requests, each an opcode,
// an index, a value, a float and a few payload bytes, sent with pointer
// arguments of the shape each opcode reads or writes (texts are terminated,
// records are the interface's records, sizes are the buffers' own), mixed
// with parameter and process calls. The plug-in must survive it all under
// the address and undefined-behaviour sanitizers.

#include "tests/fuzz/FuzzModule.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace
{

constexpr int kMaxFrames = 2048;

// Reads fixed-size values from the input; past its end it yields zeros.
class Reader
{
  public:
    Reader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
    bool More() const { return mAt < mSize; }
    template <typename T> T Take()
    {
        T value{};
        const size_t n = std::min(sizeof value, mSize - mAt);
        std::memcpy(&value, mData + mAt, n);
        mAt += n;
        return value;
    }
    void Fill(void* out, size_t n)
    {
        const size_t k = std::min(n, mSize - mAt);
        std::memcpy(out, mData + mAt, k);
        std::memset(static_cast<char*>(out) + k, 0, n - k);
        mAt += k;
    }

  private:
    const uint8_t* mData;
    size_t mSize;
    size_t mAt = 0;
};

// Every pointer-sized buffer a request may get; 8-byte aligned.
struct Buffers
{
    alignas(8) char bytes[1024];
    VstSpeakerArrangement inputArrangement;
    VstSpeakerArrangement outputArrangement;
    VstPinProperties pin;
    MidiKeyName keyName;
    VstMidiEvent midi[4];
    struct
    {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[4];
    } events;
    void* slot;
};

float in[4][kMaxFrames], out[2][kMaxFrames];
double din[4][kMaxFrames], dout[2][kMaxFrames];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Effect effect;
    Reader reader(data, size);
    static Buffers b;
    int requests = 0;
    while (reader.More() && requests++ < 64)
    {
        const uint8_t kind = reader.Take<uint8_t>();
        if (kind >= 0xF0)
        {
            // Audio and parameters between requests, as a running host sends them.
            const int frames = reader.Take<uint16_t>() % (kMaxFrames + 1);
            float* fi[4] = {in[0], in[1], in[2], in[3]};
            float* fo[2] = {out[0], out[1]};
            double* di[4] = {din[0], din[1], din[2], din[3]};
            double* dout_[2] = {dout[0], dout[1]};
            switch (kind & 3)
            {
            case 0:
                effect->processReplacing(effect.Get(), fi, fo, std::min(frames, kMaxFrames));
                break;
            case 1:
                effect->processDoubleReplacing(effect.Get(), di, dout_, frames);
                break;
            case 2:
                effect->process(effect.Get(), fi, fo, std::min(frames, kMaxFrames));
                break;
            default:
            {
                const VstInt32 index = reader.Take<int8_t>();
                effect->setParameter(effect.Get(), index, reader.Take<float>());
                (void)effect->getParameter(effect.Get(), index);
                break;
            }
            }
            continue;
        }
        const VstInt32 opcode = kind < 0xE0 ? kind % 80 : reader.Take<VstInt32>();
        VstInt32 index = reader.Take<int16_t>();
        VstIntPtr value = reader.Take<int32_t>();
        const float opt = reader.Take<float>();
        void* ptr = b.bytes;
        reader.Fill(b.bytes, reader.Take<uint8_t>() % 64);
        b.bytes[sizeof b.bytes - 1] = '\0';
        switch (opcode)
        {
        case effClose:
            continue; // ends the effect: done by Effect's destructor
        case effEditOpen:
            continue; // needs a real parent window
        case effSetBlockSize:
            // Any sign, but no size that no host could mean.
            value = static_cast<VstIntPtr>(value % 20000);
            break;
        case effGetChunk:
        case effEditGetRect:
            ptr = &b.slot;
            break;
        case effSetChunk:
            // The length never exceeds the buffer handed over; may be 0 or negative.
            value = value % static_cast<VstIntPtr>(sizeof b.bytes);
            reader.Fill(b.bytes, static_cast<size_t>(value > 0 ? value : 0));
            break;
        case effSetSpeakerArrangement:
            reader.Fill(&b.inputArrangement, 8);
            reader.Fill(&b.outputArrangement, 8);
            value = (index & 1) ? reinterpret_cast<VstIntPtr>(&b.inputArrangement) : 0;
            ptr = (index & 2) ? &b.outputArrangement : nullptr;
            break;
        case effGetSpeakerArrangement:
            value = (index & 1) ? reinterpret_cast<VstIntPtr>(&b.slot) : 0;
            ptr = (index & 2) ? &b.slot : nullptr;
            break;
        case effGetInputProperties:
        case effGetOutputProperties:
            ptr = &b.pin;
            break;
        case effGetMidiKeyName:
            reader.Fill(&b.keyName, sizeof b.keyName);
            ptr = &b.keyName;
            break;
        case effProcessEvents:
        {
            const int n = reader.Take<uint8_t>() % 5;
            b.events.numEvents = n;
            b.events.reserved = 0;
            for (int k = 0; k < n; ++k)
            {
                reader.Fill(&b.midi[k], sizeof b.midi[k]);
                b.events.events[k] = reinterpret_cast<VstEvent*>(&b.midi[k]);
            }
            ptr = &b.events;
            break;
        }
        default:
            break;
        }
        if (index < 0 && (kind & 0x40) != 0)
            index = static_cast<VstInt32>(value); // large indices too
        if ((kind & 0x80) != 0 && opcode != effProcessEvents && opcode != effSetChunk)
            ptr = nullptr;
        effect.Dispatch(opcode, index, value, ptr, opt);
    }
    return 0;
}
