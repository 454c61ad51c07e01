// The texts the information window shows, built from plain values: the information on an icon,
// the refusal of a request for an icon that does not exist, and the About text.
#pragma once

#include "forms/version_info.h"

#include <QString>
#include <cstdint>

namespace tess::info {

// The number in a caption: its digits and points read as one decimal number, rounded halves to
// even; -1 when there are none or it does not fit 32 bits.
std::int32_t numberFromText(const QString& sourceText);

// "" for one (or minus one), else "s".
QString pluralSuffix(std::int32_t count);

// The refusal of a request for icon n: what was asked ("Can't save icon ", "Can't display any
// information about icon "), then why, from the file on display and its count of icons.
QString invalidIconText(const QString& request, std::int32_t n, const QString& displayedFile,
                        std::int32_t iconCount);

// The information on icon n of the file on display, and its window's caption.
QString iconInformationText(std::int32_t n, const QString& displayedFile, std::int32_t iconCount);
QString iconInformationCaption(std::int32_t n);

// The About text of a version, and its window's caption.
QString aboutText(const VersionInfo& v);
QString aboutCaption(const VersionInfo& v);

} // namespace tess::info
