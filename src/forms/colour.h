// Colours as the windows hold them: 32-bit values laid out 0x00BBGGRR.
#pragma once

#include <QColor>
#include <cstdint>

namespace tess {

QColor toQColor(std::uint32_t bgr);
std::uint32_t fromQColor(const QColor& colour);

} // namespace tess
