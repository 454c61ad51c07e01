// Temporary stand-in until the engine lands.
#include "platform/icons/win_icons.h"
tess::icons::HICON ExtractIconA(std::uint32_t, const std::string&, std::int32_t) { return 0; }
bool DrawIcon(tess::icons::DeviceContext&, int, int, tess::icons::HICON) { return false; }
bool DrawIconEx(tess::icons::DeviceContext&, int, int, tess::icons::HICON, int, int, unsigned,
                std::uintptr_t, unsigned) {
    return false;
}
bool DestroyIcon(tess::icons::HICON) { return false; }
namespace tess::icons {
std::shared_ptr<const Icon> iconOfHandle(HICON) { return nullptr; }
} // namespace tess::icons
