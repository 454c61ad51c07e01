// The information window's markup renderer.
#include "app/frm_Vantorel.h"

void frm_Vantorel::showInformation(QString, QString, QString, std::int32_t, std::int16_t,
                                   std::int32_t, std::int32_t) {}
