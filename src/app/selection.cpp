// Selecting an icon with the mouse, the pop-up menu and the function keys.
#include "app/frm_Vantorel.h"

void frm_Vantorel::pic_IconDisplay_MouseDown(std::int16_t, std::int16_t, float, float) {}

void frm_Vantorel::pic_IconDisplay_KeyDown(std::int16_t, std::int16_t) {}
