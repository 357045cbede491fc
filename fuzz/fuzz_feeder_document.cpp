#include "network/FeederConfig.h"

#include <cstdint>
#include <cstdlib>

using vireon::FeederConfig;

namespace {

// Whatever the decoder accepts must be usable as it stands: every link present is a real URL.
bool linkIsUsable(const std::optional<QUrl>& url)
{
    return !url || (url->isValid() && !url->isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray document = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<FeederConfig> config = FeederConfig::decode(document);
    if (!config)
        return 0;
    if (config->links && (!linkIsUsable(config->links->liveMap) || !linkIsUsable(config->links->feederPage) ||
                          !linkIsUsable(config->links->claimStation)))
        std::abort();
    if (config->presets) {
        for (const FeederConfig::Preset& preset : *config->presets) {
            if (!linkIsUsable(preset.registrationUrl))
                std::abort();
        }
    }
    // Decoding is a pure function of the bytes.
    if (!(FeederConfig::decode(document) == config))
        std::abort();
    return 0;
}
