#pragma once

#include <QString>

namespace vireon {

// The primary network's website, named where the user is sent to claim a station and fetch its key.
inline QString vireonWebsiteHost()
{
    return QStringLiteral("vireon.network");
}

} // namespace vireon
