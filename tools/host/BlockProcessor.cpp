#include "BlockProcessor.h"

#include <algorithm>

bool ParsePrecision(const std::string& text, Precision& precision)
{
    if (text == "float")
        precision = Precision::Float;
    else if (text == "double")
        precision = Precision::Double;
    else if (text == "accumulate")
        precision = Precision::Accumulate;
    else
        return false;
    return true;
}

BlockProcessor::BlockProcessor(PluginInstance& plugin, Precision precision, size_t blockSize)
    : plugin_(plugin), precision_(precision), blockSize_(blockSize)
{
    AEffect* effect = plugin_.Effect();
    const size_t ins = effect != nullptr ? static_cast<size_t>(std::max(0, effect->numInputs)) : 0;
    const size_t outs =
        effect != nullptr ? static_cast<size_t>(std::max(0, effect->numOutputs)) : 0;
    floatIn_.assign(ins, std::vector<float>(blockSize, 0.0f));
    floatOut_.assign(outs, std::vector<float>(blockSize, 0.0f));
    doubleIn_.assign(ins, std::vector<double>(blockSize, 0.0));
    doubleOut_.assign(outs, std::vector<double>(blockSize, 0.0));
    floatInPtr_ = ChannelPointers(floatIn_);
    floatOutPtr_ = ChannelPointers(floatOut_);
    doubleInPtr_ = ChannelPointers(doubleIn_);
    doubleOutPtr_ = ChannelPointers(doubleOut_);
}

const std::vector<double>* BlockProcessor::Source(const AudioBuffer& main,
                                                  const AudioBuffer* sidechain, size_t input) const
{
    const AudioBuffer* file = input < 2 ? &main : (input < 4 ? sidechain : nullptr);
    if (file == nullptr || file->Channels() == 0) return nullptr;
    size_t channel = std::min(input % 2, file->Channels() - 1);
    return &file->channels[channel];
}

void BlockProcessor::Process(const AudioBuffer& main, const AudioBuffer* sidechain, size_t start,
                             size_t frames, AudioBuffer& output)
{
    frames = std::min(frames, blockSize_);
    for (size_t c = 0; c < doubleIn_.size(); ++c)
    {
        const std::vector<double>* source = Source(main, sidechain, c);
        for (size_t i = 0; i < frames; ++i)
        {
            // A sidechain shorter than the main input continues as silence.
            double x =
                (source != nullptr && start + i < source->size()) ? (*source)[start + i] : 0.0;
            doubleIn_[c][i] = x;
            floatIn_[c][i] = static_cast<float>(x);
        }
    }

    const auto n = static_cast<VstInt32>(frames);
    switch (precision_)
    {
    case Precision::Float:
        plugin_.ProcessReplacing(floatInPtr_.data(), floatOutPtr_.data(), n);
        break;
    case Precision::Double:
        plugin_.ProcessDoubleReplacing(doubleInPtr_.data(), doubleOutPtr_.data(), n);
        break;
    case Precision::Accumulate:
        for (auto& v : floatOut_)
            std::fill(v.begin(), v.end(), 0.0f);
        plugin_.ProcessAccumulating(floatInPtr_.data(), floatOutPtr_.data(), n);
        break;
    }

    for (size_t c = 0; c < output.Channels(); ++c)
    {
        // A mono plug-in's single output feeds both sides of the file.
        size_t from = std::min(c, doubleOut_.empty() ? 0 : doubleOut_.size() - 1);
        for (size_t i = 0; i < frames; ++i)
        {
            double y = 0.0;
            if (!doubleOut_.empty())
                y = precision_ == Precision::Double ? doubleOut_[from][i]
                                                    : static_cast<double>(floatOut_[from][i]);
            output.channels[c][start + i] = y;
        }
    }
}
