#pragma once

#include <memory>

namespace vireon {

// Whether the desktop starts the application when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // True when the item already matched or the change succeeded; a failure writes one warning line.
    virtual bool setEnabled(bool enabled) = 0;

    // The XDG autostart entry of this executable.
    static std::unique_ptr<LoginItem> desktop();
};

} // namespace vireon
