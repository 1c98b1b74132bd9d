#include "PluginInstance.h"

#include "ParameterCatalogue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace
{

// Hosts hand plug-ins text buffers much larger than the interface's nominal
// sizes, because many plug-ins copy their texts whole; so do we.
constexpr size_t kTextBufferSize = 512;

// The instances whose effect record exists, so that the static callback can
// find the instance of the record it is called with. The records themselves
// stay untouched (resvd1 and user keep what the plug-in put there).
std::mutex registryLock;
std::vector<std::pair<const AEffect*, PluginInstance*>> registry;

// While an entry point runs the record is not known yet; requests made then
// (effect null, or the new record) belong to the instance loading on this thread.
thread_local PluginInstance* loadingInstance = nullptr;

PluginInstance* FindInstance(const AEffect* effect)
{
    if (effect != nullptr)
    {
        std::lock_guard<std::mutex> guard(registryLock);
        for (const auto& entry : registry)
            if (entry.first == effect) return entry.second;
    }
    return loadingInstance;
}

void Register(const AEffect* effect, PluginInstance* instance)
{
    std::lock_guard<std::mutex> guard(registryLock);
    registry.emplace_back(effect, instance);
}

void Unregister(const AEffect* effect)
{
    std::lock_guard<std::mutex> guard(registryLock);
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [effect](const auto& entry) { return entry.first == effect; }),
                   registry.end());
}

// Copies text into a plug-in's buffer of capacity bytes, always terminated.
void CopyBounded(char* destination, size_t capacity, const std::string& text)
{
    if (destination == nullptr || capacity == 0) return;
    size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(destination, text.data(), length);
    destination[length] = '\0';
}

} // namespace

PluginInstance::PluginInstance(HostIdentity identity) : identity_(std::move(identity)) {}

PluginInstance::~PluginInstance()
{
    Close();
}

bool PluginInstance::Open(const std::string& path)
{
    Close();
    if (!library_.Open(path))
    {
        error_ = library_.Error();
        return false;
    }
    auto entry = reinterpret_cast<VstPluginMainProc>(library_.Symbol("VSTPluginMain"));
    if (entry == nullptr) entry = reinterpret_cast<VstPluginMainProc>(library_.Symbol("main"));
    if (entry == nullptr)
    {
        error_ = "no VSTPluginMain or main in " + path;
        library_.Close();
        return false;
    }
    if (!StartEffect(entry))
    {
        library_.Close();
        return false;
    }
    path_ = path;
    return true;
}

bool PluginInstance::OpenEntry(VstPluginMainProc entry)
{
    Close();
    if (entry == nullptr)
    {
        error_ = "no entry point";
        return false;
    }
    path_.clear();
    return StartEffect(entry);
}

bool PluginInstance::StartEffect(VstPluginMainProc entry)
{
    entry_ = entry;
    PluginInstance* previous = std::exchange(loadingInstance, this);
    AEffect* effect = entry(&PluginInstance::HostCallback);
    loadingInstance = previous;

    if (effect == nullptr)
    {
        error_ = "the entry point answered no effect";
        return false;
    }
    if (effect->magic != kEffectMagic)
    {
        // Not an effect record: nothing in it can be trusted, not even the
        // dispatcher, so the object is leaked rather than closed.
        error_ = "the effect record has the wrong magic";
        return false;
    }
    effect_ = effect;
    Register(effect_, this);
    samplePosition_ = 0.0;
    error_.clear();
    Dispatch(effOpen);
    return true;
}

void PluginInstance::Start(double sampleRate, VstInt32 blockSize)
{
    SetSampleRate(sampleRate);
    SetBlockSize(blockSize);
    Resume();
}

void PluginInstance::Close()
{
    if (effect_ == nullptr) return;
    if (resumed_) Suspend();
    AEffect* effect = effect_;
    Dispatch(effClose);
    // effClose destroys the record; from here on it must not be touched.
    effect_ = nullptr;
    Unregister(effect);
    library_.Close();
}

VstIntPtr PluginInstance::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt)
{
    if (effect_ == nullptr || effect_->dispatcher == nullptr) return 0;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void PluginInstance::SetSampleRate(double sampleRate)
{
    sampleRate_ = sampleRate;
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
}

void PluginInstance::SetBlockSize(VstInt32 blockSize)
{
    blockSize_ = blockSize;
    Dispatch(effSetBlockSize, 0, blockSize);
}

void PluginInstance::Resume()
{
    Dispatch(effMainsChanged, 0, 1);
    resumed_ = true;
}

void PluginInstance::Suspend()
{
    Dispatch(effMainsChanged, 0, 0);
    resumed_ = false;
}

float PluginInstance::GetParameter(VstInt32 index)
{
    if (effect_ == nullptr || effect_->getParameter == nullptr) return 0.0f;
    return effect_->getParameter(effect_, index);
}

void PluginInstance::SetParameter(VstInt32 index, float normalised)
{
    if (effect_ == nullptr || effect_->setParameter == nullptr) return;
    effect_->setParameter(effect_, index, normalised);
}

std::string PluginInstance::AskText(VstInt32 opcode, VstInt32 index)
{
    char text[kTextBufferSize] = {};
    Dispatch(opcode, index, 0, text);
    text[kTextBufferSize - 1] = '\0';
    return text;
}

std::string PluginInstance::ParameterName(VstInt32 index)
{
    return AskText(effGetParamName, index);
}

std::string PluginInstance::ParameterLabel(VstInt32 index)
{
    return AskText(effGetParamLabel, index);
}

std::string PluginInstance::ParameterDisplay(VstInt32 index)
{
    return AskText(effGetParamDisplay, index);
}

VstIntPtr PluginInstance::SetParameterText(VstInt32 index, const std::string& text)
{
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return Dispatch(effString2Parameter, index, 0, copy.data());
}

VstInt32 PluginInstance::FindParameter(const std::string& name)
{
    VstInt32 count = NumParams();
    for (VstInt32 i = 0; i < count; ++i)
        if (ParameterName(i) == name) return i;
    for (VstInt32 i = 0; i < count; ++i)
        if (ParameterText::EqualIgnoringCase(ParameterName(i), name)) return i;
    return -1;
}

std::string PluginInstance::EffectName()
{
    return AskText(effGetEffectName, 0);
}
std::string PluginInstance::VendorString()
{
    return AskText(effGetVendorString, 0);
}
std::string PluginInstance::ProductString()
{
    return AskText(effGetProductString, 0);
}
std::string PluginInstance::ProgramName()
{
    return AskText(effGetProgramName, 0);
}

bool PluginInstance::CanReplacing() const
{
    return effect_ != nullptr && (effect_->flags & effFlagsCanReplacing) != 0 &&
           effect_->processReplacing != nullptr;
}

bool PluginInstance::CanDoubleReplacing() const
{
    return effect_ != nullptr && (effect_->flags & effFlagsCanDoubleReplacing) != 0 &&
           effect_->processDoubleReplacing != nullptr;
}

void PluginInstance::ProcessReplacing(float** inputs, float** outputs, VstInt32 frames)
{
    if (effect_ != nullptr && effect_->processReplacing != nullptr)
        effect_->processReplacing(effect_, inputs, outputs, frames);
    samplePosition_ += frames;
}

void PluginInstance::ProcessDoubleReplacing(double** inputs, double** outputs, VstInt32 frames)
{
    if (effect_ != nullptr && effect_->processDoubleReplacing != nullptr)
        effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
    samplePosition_ += frames;
}

void PluginInstance::ProcessAccumulating(float** inputs, float** outputs, VstInt32 frames)
{
    if (effect_ != nullptr && effect_->process != nullptr)
        effect_->process(effect_, inputs, outputs, frames);
    samplePosition_ += frames;
}

std::vector<uint8_t> PluginInstance::GetChunk(bool program)
{
    void* data = nullptr;
    VstIntPtr size = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

bool PluginInstance::SetChunk(bool program, const std::vector<uint8_t>& data)
{
    // The plug-in reads from our copy; it must not keep the pointer.
    std::vector<uint8_t> copy(data);
    return Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(copy.size()),
                    copy.empty() ? nullptr : copy.data()) != 0;
}

std::vector<HostRequest> PluginInstance::Requests() const
{
    std::lock_guard<std::mutex> guard(recordLock_);
    return requests_;
}

std::vector<SentEvent> PluginInstance::SentEvents() const
{
    std::lock_guard<std::mutex> guard(recordLock_);
    return events_;
}

void PluginInstance::ClearRecords()
{
    std::lock_guard<std::mutex> guard(recordLock_);
    requests_.clear();
    events_.clear();
    requestCounts_.fill(0);
}

int PluginInstance::RequestCount(VstInt32 opcode) const
{
    std::lock_guard<std::mutex> guard(recordLock_);
    if (opcode < 0 || opcode >= static_cast<VstInt32>(requestCounts_.size())) return 0;
    return requestCounts_[static_cast<size_t>(opcode)];
}

bool PluginInstance::WantsMidi() const
{
    std::lock_guard<std::mutex> guard(recordLock_);
    return wantsMidi_;
}

const VstTimeInfo* PluginInstance::FillTimeInfo()
{
    // 120 BPM in 4/4, playing since sample 0: a quarter note lasts half a second.
    constexpr double tempo = 120.0;
    VstTimeInfo& t = timeInfo_;
    t = VstTimeInfo{};
    t.samplePos = samplePosition_;
    t.sampleRate = sampleRate_;
    t.ppqPos = samplePosition_ / sampleRate_ * (tempo / 60.0);
    t.tempo = tempo;
    t.barStartPos = std::floor(t.ppqPos / 4.0) * 4.0;
    t.cycleStartPos = 0.0;
    t.cycleEndPos = 0.0;
    t.timeSigNumerator = 4;
    t.timeSigDenominator = 4;
    t.flags =
        kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    return &t;
}

VstIntPtr VSTCALLBACK PluginInstance::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                   VstIntPtr value, void* ptr, float opt)
{
    PluginInstance* instance = FindInstance(effect);
    if (instance == nullptr)
    {
        // A plug-in asking before it was handed to any instance: only the
        // interface version is meaningful then.
        return opcode == audioMasterVersion ? kVstVersion : 0;
    }
    return instance->Answer(opcode, index, value, ptr, opt);
}

VstIntPtr PluginInstance::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr /*value*/, void* ptr,
                                 float opt)
{
    {
        std::lock_guard<std::mutex> guard(recordLock_);
        if (opcode >= 0 && opcode < static_cast<VstInt32>(requestCounts_.size()))
            ++requestCounts_[static_cast<size_t>(opcode)];
    }
    switch (opcode)
    {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterCurrentId:
        return effect_ != nullptr ? effect_->uniqueID : 0;
    case audioMasterIdle:
    case audioMasterUpdateDisplay:
        return 1;
    case audioMasterWantMidi:
    {
        std::lock_guard<std::mutex> guard(recordLock_);
        wantsMidi_ = true;
        return 1;
    }
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    {
        std::lock_guard<std::mutex> guard(recordLock_);
        requests_.push_back(HostRequest{opcode, index, opcode == audioMasterAutomate ? opt : 0.0f});
        return 1;
    }
    case audioMasterGetTime:
        // The value holds the fields the plug-in needs; we always fill them all.
        return reinterpret_cast<VstIntPtr>(FillTimeInfo());
    case audioMasterProcessEvents:
    {
        auto* list = static_cast<const VstEvents*>(ptr);
        if (list == nullptr) return 0;
        std::lock_guard<std::mutex> guard(recordLock_);
        for (VstInt32 i = 0; i < list->numEvents; ++i)
        {
            const VstEvent* event = list->events[i];
            if (event == nullptr) continue;
            SentEvent sent{event->type, event->byteSize, event->deltaFrames, {}};
            if (event->type == kVstMidiType)
            {
                const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
                for (size_t b = 0; b < sent.midiData.size(); ++b)
                    sent.midiData[b] = static_cast<unsigned char>(midi->midiData[b]);
            }
            events_.push_back(sent);
        }
        return 1;
    }
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(sampleRate_);
    case audioMasterGetBlockSize:
        return blockSize_;
    case audioMasterGetProductString:
        if (ptr == nullptr) return 0;
        CopyBounded(static_cast<char*>(ptr), kVstMaxProductStrLen, identity_.product);
        return 1;
    case audioMasterGetVendorString:
        if (ptr == nullptr) return 0;
        CopyBounded(static_cast<char*>(ptr), kVstMaxVendorStrLen, identity_.vendor);
        return 1;
    case audioMasterGetVendorVersion:
        return identity_.vendorVersion;
    default:
        return 0;
    }
}

bool PluginInstance::SetChunkFromFile(const std::string& path, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> chunk((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    if (!file.bad() && file.is_open() && SetChunk(true, chunk)) return true;
    error = "the plug-in did not accept the state in " + path;
    return false;
}
