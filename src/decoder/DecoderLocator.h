#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace vireon {

// Where the decoder executable is, asked afresh at every launch; none means there is none.
using DecoderLocator = std::function<std::optional<QString>()>;

} // namespace vireon
