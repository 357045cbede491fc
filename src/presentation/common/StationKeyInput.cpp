#include "presentation/common/StationKeyInput.h"

#include "config/StationConfig.h"

#include <algorithm>

namespace vireon {

StationKeyInput StationKeyInput::normalised(const QString& typed, qsizetype cursor)
{
    const QString key = StationConfig::normalizeStationKey(typed).value_or(QString());
    if (key == typed)
        return {key, cursor};
    // Only blanks were cut from the ends: the key still stands where it stood, shifted left.
    const qsizetype leading = typed.indexOf(key);
    if (!key.isEmpty() && leading >= 0 && typed.trimmed() == key)
        return {key, std::clamp<qsizetype>(cursor - leading, 0, key.size())};
    // A pasted connector line became its key: the cursor goes after it, as after any paste.
    return {key, key.size()};
}

} // namespace vireon
