// The list of well-known files.
#include "app/frm_Vantorel.h"

QString frm_Vantorel::knownFile(std::int16_t, bool) const { return QString(); }

void frm_Vantorel::menu_FileLoad_Click(std::int16_t) {}
