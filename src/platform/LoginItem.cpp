#include "platform/LoginItem.h"

#include "platform/LoginItemManager.h"

namespace vireon {
namespace {

class XdgAutostartItem final : public LoginItem {
public:
    bool isEnabled() const override { return LoginItemManager::isEnabled(); }
    bool setEnabled(bool enabled) override { return LoginItemManager::setEnabled(enabled); }
};

} // namespace

std::unique_ptr<LoginItem> LoginItem::desktop()
{
    return std::make_unique<XdgAutostartItem>();
}

} // namespace vireon
